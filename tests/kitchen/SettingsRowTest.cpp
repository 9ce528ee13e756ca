// A settings row or a work file that cannot serve is said at start, with
// what to correct, instead of a server that quietly does nothing or an
// error that points elsewhere.
#include "support/TestSupport.h"

#include "ui/Lifecycle.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class SettingsRow : public ServerTest {
protected:
    void conf(const QString &sql) {
        openSqliteFile(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))->execute(sql);
    }
    // The one message of a load that did not end the program.
    QString loadMessage() {
        build(2);
        EXPECT_TRUE(printServer->load());
        EXPECT_EQ(dialogs.shown().size(), 1u);
        return dialogs.shown().empty() ? QString() : dialogs.shown()[0].text;
    }
};

}  // namespace

TEST_F(SettingsRow, ATiempoBeyondSixteenBitsIsSaidAtStartAndNoPollingStartsQuietly) {
    conf(QStringLiteral("UPDATE Confi SET Tiempo = 60000"));
    const QString text = loadMessage();
    EXPECT_TRUE(text.contains(QStringLiteral("Tiempo = «60000»"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("lector-tpv-config poner Tiempo="))) << text.toStdString();
    EXPECT_FALSE(f->T.isActive());
    // What came before the column was read.
    EXPECT_EQ(f->g.Ip, serverDb);
}

TEST_F(SettingsRow, ARowUnderAnotherCodIsNamedAsTheCauseOfTheFailedConnection) {
    conf(QStringLiteral("UPDATE Confi SET Cod = 'Prul5'"));
    const QString text = loadMessage();
    EXPECT_TRUE(text.startsWith(QString::number(err::CannotOpen) + QLatin1Char(' '))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Cod = 'Prul4'"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("'Prul5'"))) << text.toStdString();
}

TEST_F(SettingsRow, AnEmptyWorkFileIsNamedInTheStartUpError) {
    QFile work(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    ASSERT_TRUE(work.open(QIODevice::WriteOnly | QIODevice::Truncate));
    work.close();
    const QString text = loadMessage();
    EXPECT_TRUE(text.contains(QStringLiteral("wdbServer.mdb"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Vacio"))) << text.toStdString();
}
