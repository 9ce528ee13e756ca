// The real window, under an X server (Xvfb in the test command): each state
// the operator meets, saved as a screenshot, and the flows of a busy kitchen
// driven through the window's own widgets.
#include "support/TestSupport.h"

#include "ui/WindowActions.h"
#include "ui/qt/QtMainWindow.h"
#include "platform/Waiting.h"
#include "support/LoopbackSupport.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtSpanish.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace tpv;
using namespace tpv::test;

namespace {

// Counts the paint events a widget gets.
class Paints : public QObject {
public:
    explicit Paints(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
};

class Window : public ServerTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "sin servidor X (plataforma " << QGuiApplication::platformName().toStdString()
                         << "): la prueba de ventana necesita Xvfb";
        ServerTest::SetUp();
        otherDialogs = &qt;
        qt.setClock(&clock);
    }
    void TearDown() override {
        waiting::setHook(nullptr);
        w.reset();
        ServerTest::TearDown();
        if (thermal.state() != QProcess::NotRunning) {
            thermal.terminate();
            thermal.waitForFinished(10000);
        }
    }
    // The window as the program opens it: the operator's actions wait for a
    // running tick, and a wait on a printer turns the event loop.
    QtMainWindow *open() {
        w = std::make_unique<QtMainWindow>(
            *f, windowActions(
                    *f, [this](const std::function<void()> &a) { printServer->runWhenIdle(a); },
                    [this] { return printServer->closeRequested(); }));
        qt.setParent(w.get());
        waiting::setHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents, waiting::kSliceMs / 2); });
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w.get();
    }
    template <typename T>
    T *child(const char *name) const {
        T *c = w->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static QString screenshotPath(const QString &name) {
        const QString dir = qEnvironmentVariable("TPV_SCREENSHOT_DIR", QStringLiteral(TPV_SCREENSHOT_DIR));
        QDir().mkpath(dir);
        return QDir(dir).filePath(name);
    }
    // Saves the image and tells how many colours it shows.
    static int save(const QImage &img, const QString &name) {
        img.save(screenshotPath(name));
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); y += 3)
            for (int x = 0; x < img.width(); x += 3) colours.insert(img.pixel(x, y));
        return colours.size();
    }
    // The window as drawn now (what the lists were told is drawn first).
    int shoot(const QString &name) {
        drawn();
        return save(w->grab().toImage(), name);
    }
    // The widgets brought up to what the lists were told (a list is redrawn
    // once a burst of changes is over, as the event loop turns).
    static void drawn() { QCoreApplication::processEvents(); }
    // The screen where the window and the boxes over it are.
    int shootScreen(const QString &name) {
        drawn();
        QRect shown;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            top->repaint();  // on the screen now, not at the next turn of the event loop
            shown |= top->frameGeometry();
        }
        drawn();
        return save(QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(shown), name);
    }
    void clickEntry(QListWidget *list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    // A box the program shows modally fails the test and is closed, rather
    // than holding it (a modal box runs its own event loop, where this runs).
    void failOnModalBox(const char *when) {
        QTimer::singleShot(0, w.get(), [when] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "una caja modal retiene la consulta " << when;
                modal->close();
            }
        });
    }
    // Answers the next modal message box from inside its own event loop.
    void whenModalBox(std::function<void(QMessageBox *)> answer) {
        QTimer::singleShot(10, w.get(), [this, answer] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                answer(box);
            else
                whenModalBox(answer);
        });
    }
    // A kitchen thermal printer (the virtual one) as Cocina, answering as
    // its state file says.
    void declareThermalKitchen(const QString &state, const QStringList &options = {}, const QString &extra = {}) {
        const QString dir = tmp.filePath(QStringLiteral("termica"));
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile s(QDir(dir).filePath(QStringLiteral("estado")));
        ASSERT_TRUE(s.open(QIODevice::WriteOnly));
        s.write(state.toUtf8());
        s.close();
        QString said;
        const int port = startThermalPrinter(thermal, dir, &said, options);
        ASSERT_NE(port, 0) << said.toStdString();
        QFile ini(QDir(dataDir).filePath(QStringLiteral("impresoras.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\n%2").arg(port).arg(extra).toUtf8());
    }
    void setThermalState(const char *word) {
        QFile s(QDir(tmp.filePath(QStringLiteral("termica"))).filePath(QStringLiteral("estado")));
        ASSERT_TRUE(s.open(QIODevice::WriteOnly));
        s.write(word);
    }
    void order(int comanda, int mesa, const char *article, const char *name) {
        demo::addOrder(*server, 1, fecha, comanda, mesa,
                       {{QString::fromLatin1(article), QString::fromUtf8(name), 1, {}}}, {});
    }
    QString listed() const { return f->printerStates.texts().join(QLatin1Char('|')); }

    QtDialogs qt;
    std::unique_ptr<QtMainWindow> w;
    QProcess thermal;
};

}  // namespace

TEST_F(Window, AtStartEveryPrinterIsListedWithTheStateALookFound) {
    start();
    open();
    advance(1000);  // the first look as the event loop first turns, then the first poll
    drawn();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Lector TPV_Garnet 1.06.002"));
    auto *printerStates = child<QListWidget>("printerStates");
    ASSERT_EQ(printerStates->count(), 3);
    EXPECT_EQ(printerStates->item(0)->text(), QStringLiteral("Barra: Lista"));
    auto *lstReal = child<QListWidget>("lstReal");
    ASSERT_EQ(lstReal->count(), 1);
    EXPECT_EQ(lstReal->item(0)->text(), QStringLiteral("-REALIZADOS-"));
    EXPECT_GT(shoot(QStringLiteral("1-inicio.png")), 4) << "la captura está en blanco";
}

TEST_F(Window, AnOrderArrivingIsListedDoneWithThePrinterAndTimeItWentTo) {
    start();
    open();
    order(7, 3, "CAN", "Caña");
    tick();
    tick();
    drawn();
    auto *lstReal = child<QListWidget>("lstReal");
    ASSERT_EQ(lstReal->count(), 2);
    EXPECT_EQ(lstReal->item(1)->text(), QStringLiteral("Comanda 7 del día 07/12/2026 Tpv: 1"));
    EXPECT_TRUE(listed().contains(QStringLiteral("Barra: Lista, último ticket 13:05:07"))) << listed().toStdString();
    // The whole entry fits the list: nothing of it is cut or wrapped.
    EXPECT_LE(lstReal->fontMetrics().horizontalAdvance(lstReal->item(1)->text()), lstReal->viewport()->width());
    EXPECT_GT(shoot(QStringLiteral("2-comanda.png")), 4);
}

// The kitchen printer runs out of paper: one box says so and stays up, the
// bar goes on printing the next order behind it, and the box goes once the
// kitchen prints again.
TEST_F(Window, APrinterOutOfPaperShowsOneBoxThatHoldsNoOrderAndGoesWhenItPrintsAgain) {
    declareThermalKitchen(QStringLiteral("sinpapel"));
    start();
    open();
    order(50, 4, "ENTR", "Entrecot");
    failOnModalBox("al quedarse sin papel");
    quietTick();
    QMessageBox *box = qt.failureBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("ATENCIÓN"));
    EXPECT_EQ(box->text(), QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora"));
    EXPECT_TRUE(box->informativeText().contains(QStringLiteral("La impresora Cocina no tiene papel")))
        << box->informativeText().toStdString();
    EXPECT_TRUE(box->informativeText().contains(QStringLiteral("Desde las 13:05:07")));
    EXPECT_FALSE(box->isModal());

    order(51, 2, "CAN", "Caña");
    clock.advance(2000);
    failOnModalBox("con la caja abierta");
    quietTick();
    ASSERT_FALSE(tickets(QStringLiteral("Barra")).isEmpty()) << "la barra sigue imprimiendo detrás de la caja";
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).last().contains(QStringLiteral("Comanda N.  51")));
    EXPECT_EQ(qt.failureBox(), box) << "una sola caja, puesta al día";
    EXPECT_TRUE(box->informativeText().contains(QStringLiteral("Desde las 13:05:07")));
    int boxes = 0;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(top) && top->isVisible()) ++boxes;
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(listed().contains(QStringLiteral("Cocina: Sin papel"))) << listed().toStdString();
    quietTick();  // the bar's order among the done ones, the kitchen's still pending
    EXPECT_GT(shootScreen(QStringLiteral("3-sin-papel.png")), 4);

    setThermalState("lista");
    quietTick();
    EXPECT_EQ(qt.failureBox(), nullptr) << "la caja se cierra sola cuando la cocina imprime";
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

// Closed by the operator, the box does not come back at every poll for the
// same failure; it comes back for a new one.
TEST_F(Window, TheFailureBoxClosedByTheOperatorComesBackOnlyForNews) {
    start();
    open();
    QDir(QDir(printersDir).filePath(QStringLiteral("Barra"))).removeRecursively();
    order(52, 2, "CAN", "Caña");
    quietTick();
    ASSERT_NE(qt.failureBox(), nullptr);
    QTest::mouseClick(qt.failureBox()->button(QMessageBox::Ok), Qt::LeftButton);
    quietTick();
    EXPECT_EQ(qt.failureBox(), nullptr);
    QDir(QDir(printersDir).filePath(QStringLiteral("Cocina"))).removeRecursively();
    order(53, 2, "ENTR", "Entrecot");
    exec(QStringLiteral("UPDATE PendGar SET PPPend = 1 WHERE PParg3 = '52'"));
    quietTick();
    ASSERT_NE(qt.failureBox(), nullptr);
    EXPECT_TRUE(qt.failureBox()->informativeText().startsWith(QStringLiteral("Cocina:")))
        << qt.failureBox()->informativeText().toStdString();
}

TEST_F(Window, TheReprintChoiceNamesItsOrderOverTheDoneListWhilePollingGoesOn) {
    order(7, 3, "CAN", "Caña");
    start();
    tick();
    tick();
    open();
    auto *lstReal = child<QListWidget>("lstReal");
    clickEntry(lstReal, 1);
    auto *fraPre = child<QWidget>("FraPre");
    ASSERT_TRUE(fraPre->isVisible());
    EXPECT_TRUE(f->T.isActive());
    EXPECT_EQ(child<QLabel>("orderChosen")->text(),
              QStringLiteral("Comanda 7 del día 07/12/2026 Tpv: 1\nMesa 3, trabajo 1, enviada a las 13:05:07"));
    // Over the done list; the pending list stays in sight.
    const QRect choice = fraPre->geometry();
    const QRect done(lstReal->mapTo(fraPre->parentWidget(), QPoint(0, 0)), lstReal->size());
    auto *lstPend = child<QListWidget>("lstPend");
    const QRect pending(lstPend->mapTo(fraPre->parentWidget(), QPoint(0, 0)), lstPend->size());
    EXPECT_TRUE(done.contains(choice.topLeft()));
    EXPECT_FALSE(choice.intersects(pending));
    EXPECT_GT(shoot(QStringLiteral("4-eleccion-reimpresion.png")), 4);

    order(8, 1, "AGUA", "Agua mineral");
    advance(1000);
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).last().contains(QStringLiteral("Comanda N.  8")));
    QTest::mouseClick(child<QAbstractButton>("cmdCancelar"), Qt::LeftButton);
    EXPECT_FALSE(fraPre->isVisible());
}

TEST_F(Window, VolverAsksHowManyOrdersFirstAndCancelKeepsTheDayAsItWas) {
    order(7, 3, "CAN", "Caña");
    order(8, 1, "AGUA", "Agua mineral");
    start();
    tick();
    open();
    w->findChild<QAction *>(QStringLiteral("printersMenu"))->trigger();
    auto *scroll = child<QScrollArea>("panelScroll");
    auto *volver = child<QAbstractButton>("cmdVolver");
    scroll->ensureWidgetVisible(volver);
    QString asked;
    whenModalBox([&](QMessageBox *box) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(box));
        asked = box->text();
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancelar"));
        shootScreen(QStringLiteral("5-confirmacion.png"));
        box->button(QMessageBox::Cancel)->click();
    });
    QTest::mouseClick(volver, Qt::LeftButton);
    EXPECT_EQ(asked,
              QStringLiteral("Se volverán a imprimir las 2 comandas del día en todas las impresoras. ¿Continuar?"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

// While a tick waits on a printer that does not answer, the window repaints
// and takes the operator's click; what the click asks for is done once the
// tick has ended, on the entry clicked.
TEST_F(Window, WaitingOnAPrinterTheWindowTakesAClickAndDoesItAfterTheTick) {
    declareThermalKitchen(QStringLiteral("lista"), {QStringLiteral("--sin-estado")}, QStringLiteral("estado=si\n"));
    order(7, 3, "CAN", "Caña");
    start();
    tick();
    tick();
    open();
    order(9, 5, "ENTR", "Entrecot");
    auto *lstReal = child<QListWidget>("lstReal");
    bool openedInsideTheTick = true;
    int paintsBefore = 0;
    Paints paints(lstReal->viewport());
    QTimer::singleShot(100, w.get(), [&] {
        paintsBefore = paints.count;
        clickEntry(lstReal, 1);
        openedInsideTheTick = f->FraPre.visible();
    });
    quietTick();  // a second without an answer from the kitchen
    EXPECT_FALSE(openedInsideTheTick) << "el clic se atiende cuando termina la consulta, no dentro";
    EXPECT_GT(paints.count, paintsBefore) << "la lista se vuelve a pintar mientras se espera a la impresora";
    timer->runPosted();
    EXPECT_TRUE(f->FraPre.visible());
    EXPECT_TRUE(f->choice.orderChosen.caption().startsWith(QStringLiteral("Comanda 7 ")))
        << f->choice.orderChosen.caption().toStdString();
}

TEST_F(Window, TheListsTheStatusLineAndThePrinterPanelFitA1024x768Screen) {
    start();
    open();
    w->findChild<QAction *>(QStringLiteral("printersMenu"))->trigger();
    const QSize least = w->minimumSizeHint();
    EXPECT_LE(least.width(), 1024);
    EXPECT_LE(least.height(), 700) << "con el título y la barra de tareas, 768 puntos de alto";
    w->resize(1024, 700);
    const QString cause = QStringLiteral(
        "Error al consultar la cola de impresión (-2147467259): no se puede conectar con el servidor 192.168.1.10, "
        "base de datos Garnet, usuario cocina: el equipo no contesta (tiempo de espera agotado)");
    f->statusLine.setCaption(cause);
    QCoreApplication::processEvents();
    auto *estado = child<QLabel>("statusLine");
    EXPECT_EQ(estado->toolTip(), cause);
    EXPECT_GE(estado->height(), 2 * estado->fontMetrics().lineSpacing()) << "el mensaje entero, en varias líneas";
    EXPECT_TRUE(w->rect().contains(QRect(estado->mapTo(w.get(), QPoint(0, 0)), estado->size())));
    auto *volver = child<QAbstractButton>("cmdVolver");
    child<QScrollArea>("panelScroll")->ensureWidgetVisible(volver);
    QCoreApplication::processEvents();
    EXPECT_FALSE(volver->visibleRegion().isEmpty());
    EXPECT_GT(shoot(QStringLiteral("6-panel-1024x768.png")), 4);
}

TEST_F(Window, QtsOwnDialogsSpeakSpanish) {
    ASSERT_TRUE(loadQtSpanish(*QCoreApplication::instance())) << "falta qt6-translations-l10n";
    QFontDialog dialog;
    QStringList texts;
    for (const QLabel *l : dialog.findChildren<QLabel *>()) texts << l->text();
    for (const QAbstractButton *b : dialog.findChildren<QAbstractButton *>()) texts << b->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("&Tamaño"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(texts.contains(QStringLiteral("&Size")));
}
