#pragma once
// A document as the printers take it: lines of text, each with the part it
// plays on a kitchen ticket. A printer that prints plain text (a folder
// printer, CUPS, the PDF preview) prints text() and nothing else; one that
// can emphasise (a thermal printer in its kitchen style) reads the roles, so
// a cancelled dish or the table's line can stand out without the text
// changing.
#include <QString>
#include <vector>

namespace tpv {

enum class LineRole {
    Plain,           // text that came without a role
    Header,          // the order header's first line (date, room)
    TableOrder,      // the header's line that names the table and the order
    SectionTitle,    // "ARTICULOS CARTA", "Platos de Menu" and their rules
    Dish,            // a dish ordered
    Extra,           // a modifier, garnish or sauce of the dish above
    CancelledDish,   // a dish with a negative quantity (taken off the order)
    CancelledExtra,  // an extra of a cancelled dish
    Mark,            // a line that says what kind of ticket this is (a reprint, a backup)
    Footer,          // the sending time and its rules
    Blank,           // an empty line (a separator, or paper fed at the end)
};

struct DocumentLine {
    LineRole role = LineRole::Plain;
    QString text;  // without its line end
    bool operator==(const DocumentLine &o) const { return role == o.role && text == o.text; }
};

// Lines joined by CR LF. The last line is where the next text continues:
// appending "a" and then "b" gives "ab", as printing two pieces of text one
// after the other does; a document made from a text gives that text back
// exactly.
class Document {
public:
    Document() = default;
    // The text split at each CR LF, every line with the role given.
    static Document fromText(const QString &text, LineRole role = LineRole::Plain);

    // Starts a new line with that role and text (the first line when the
    // document is empty).
    void addLine(LineRole role, const QString &text);
    // Continues the last line with the first line of the text; the rest
    // become lines of their own with the role given.
    void appendText(const QString &text, LineRole role = LineRole::Plain);
    // The other document's lines continue this one as appendText would.
    void append(const Document &other);

    const std::vector<DocumentLine> &lines() const { return lines_; }
    bool isEmpty() const { return lines_.empty(); }
    QString text() const;

    // The name the document carries in a print queue, so that it can be
    // found there again after a restart (empty: the printer's own name).
    QString title;

private:
    void continueLast(const DocumentLine &line);
    std::vector<DocumentLine> lines_;
};

}  // namespace tpv
