#pragma once
// The one error type of the program. It carries the error number that the
// handlers test (the provider's and the runtime's numbers, kept as the order
// terminals' software knows them) and a description for the operator.
#include <QString>
#include <exception>
#include <string>

namespace tpv {

namespace err {
constexpr long InvalidCall = 5;  // invalid procedure call or argument
constexpr long Overflow = 6;
constexpr long InvalidIndex = 9;  // subscript out of range
constexpr long TypeMismatch = 13;
constexpr long ObjectNotSet = 91;  // an object (a connection) that was never opened
constexpr long InvalidUseOfNull = 94;
constexpr long InvalidPropertyValue = 380;
constexpr long InvalidPropertyIndex = 381;  // list entry past the end
constexpr long NotInList = 383;             // drop-down list given a text that is no entry's
constexpr long PrinterError = 482;          // the printer layer refused an operation
constexpr long NoCurrentRecord = 3021;      // BOF or EOF
constexpr long ItemNotFound = 3265;         // no field of that name or position
constexpr long DropMissingTable = 3376;     // DROP TABLE of a missing table (data control)
constexpr long WriteConflict = 3197;        // another holds what this write needed: the turn between PCs moved on
constexpr long ObjectClosed = 3704;
constexpr long ObjectOpen = 3705;
constexpr long FontDialogCancelled = 32755;
constexpr long NoSuchTable = -2147217865;
constexpr long NoSuchColumn = -2147217904;
constexpr long SqlSyntax = -2147217900;  // any other statement the provider rejects
constexpr long CannotOpen = -2147467259;
}  // namespace err

class TpvError : public std::exception {
public:
    TpvError(long number, QString description)
        : number_(number), description_(std::move(description)), what_(description_.toStdString()) {}

    long number() const { return number_; }
    const QString &description() const { return description_; }
    const char *what() const noexcept override { return what_.c_str(); }

    // "NUMBER DESCRIPTION", the form in which start-up reports an error.
    QString numberAndDescription() const { return QString::number(number_) + QLatin1Char(' ') + description_; }

private:
    long number_;
    QString description_;
    std::string what_;
};

// Raised by "End": the program stops at once with this exit status.
struct ProgramEnded {
    int exitCode;
};

}  // namespace tpv
