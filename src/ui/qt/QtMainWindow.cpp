#include "ui/qt/QtMainWindow.h"

#include "ui/FrmPpal.h"
#include "ui/qt/QtBindings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tpv {

namespace {
QPushButton *button(const QString &text, QWidget *parent, const std::function<void()> &onClick,
                    const MainWindowActions &a) {
    auto *b = new QPushButton(text, parent);
    QObject::connect(b, &QPushButton::clicked, b, [onClick, a] { a.run(onClick); });
    return b;
}

// The widest entry a job list holds, with room for its frame and scroll bar:
// at this width no entry wraps. The window opens with its lists this wide;
// narrower (a small screen with the printer panel open) the entries wrap
// onto a second line, whole.
int jobListWidth(const QWidget *w) {
    const int text = w->fontMetrics().horizontalAdvance(QStringLiteral("Comanda 32767 del día 31/12/2026 Tpv: 999"));
    return text + w->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
}

// A list whose entries wrap rather than being cut when it is narrow.
QListWidget *wrappingList(const char *name, QWidget *parent) {
    auto *l = new QListWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setTextElideMode(Qt::ElideNone);
    l->setResizeMode(QListView::Adjust);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return l;
}
}  // namespace

QtMainWindow::QtMainWindow(FrmPpal &f, MainWindowActions actions) : f_(f), a_(std::move(actions)) {
    setObjectName(QStringLiteral("frmPpal"));
    setWindowTitle(f.Caption);
    auto *tl = menuBar()->addAction(QStringLiteral("Tipo Letra"));
    tl->setObjectName(QStringLiteral("tl"));
    connect(tl, &QAction::triggered, this, [this] { a_.run(a_.fontMenu); });
    auto *panelAction = menuBar()->addAction(QStringLiteral("Impresoras"));
    panelAction->setObjectName(QStringLiteral("printersMenu"));
    panelAction->setCheckable(true);
    connect(panelAction, &QAction::toggled, this, [this](bool on) { showPrinterPanel(on); });

    auto *central = new QWidget(this);
    auto *rows = new QVBoxLayout(central);
    auto *columns = new QHBoxLayout;
    left_ = buildLists(central);
    columns->addWidget(left_, 1);
    panel_ = new QScrollArea(central);
    panel_->setObjectName(QStringLiteral("panelScroll"));
    panel_->setWidget(buildPrinterPanel());
    panel_->setWidgetResizable(true);
    panel_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panel_->setFrameShape(QFrame::NoFrame);
    // As wide as the panel, as high as the window lets it be: on a small
    // screen it scrolls, and the status line stays in sight.
    panel_->setFixedWidth(panel_->widget()->sizeHint().width() +
                          panel_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    panel_->hide();
    columns->addWidget(panel_);
    rows->addLayout(columns, 1);

    // What went wrong last, whole: wrapped over as many lines as it needs,
    // and in full on hover.
    auto *estado = new QLabel(central);
    estado->setObjectName(QStringLiteral("statusLine"));
    estado->setStyleSheet(QStringLiteral("color: #b00000"));
    estado->setWordWrap(true);
    estado->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bindLabel(estado, f.statusLine);
    estado->setToolTip(f.statusLine.caption());
    f.statusLine.changed.connect([estado, &f] { estado->setToolTip(f.statusLine.caption()); });
    rows->addWidget(estado);
    setCentralWidget(central);

    buildChoiceFrame(left_);
    // Both job lists wide enough for their entries on one line.
    const int toFullLists = 2 * (jobListWidth(lstReal_) - lstReal_->minimumWidth());
    resize(std::max(sizeHint().width(), minimumSizeHint().width() + toFullLists),
           std::max(sizeHint().height(), twips(9495) / 2));
}

QWidget *QtMainWindow::buildLists(QWidget *parent) {
    auto *left = new QWidget(parent);
    auto *col = new QVBoxLayout(left);
    col->setContentsMargins(0, 0, 0, 0);

    auto *server = new QHBoxLayout;
    auto *lbServidor = new QLabel(left);
    lbServidor->setObjectName(QStringLiteral("lbServidor"));
    auto *lbCatalogo = new QLabel(left);
    lbCatalogo->setObjectName(QStringLiteral("lbCatalogo"));
    bindLabel(lbServidor, f_.lbServidor);
    bindLabel(lbCatalogo, f_.lbCatalogo);
    server->addWidget(new QLabel(QStringLiteral("Servidor:"), left));
    server->addWidget(lbServidor, 1);
    server->addWidget(lbCatalogo);
    col->addLayout(server);

    // The two job lists share the width and grow with the window.
    auto *fraListas = new QGroupBox(left);
    fraListas->setObjectName(QStringLiteral("FraListas"));
    auto *lists = new QHBoxLayout(fraListas);
    auto *lstPend = wrappingList("lstPend", fraListas);
    lstReal_ = wrappingList("lstReal", fraListas);
    for (QListWidget *l : {lstPend, lstReal_}) l->setMinimumWidth(jobListWidth(l) * 3 / 4);
    bindListBox(lstPend, f_.lstPend, a_.run);
    bindListBox(lstReal_, f_.lstReal, a_.run);
    lists->addWidget(lstPend, 1);
    lists->addWidget(lstReal_, 1);
    bindFrame(fraListas, f_.FraListas);
    col->addWidget(fraListas, 3);

    // Whether this PC prints the terminal or stands by, over the printers.
    auto *turn = new QLabel(left);
    turn->setObjectName(QStringLiteral("turnCaption"));
    turn->setWordWrap(true);
    bindLabel(turn, f_.turnCaption);
    col->addWidget(turn);

    // The printers' states, under the job lists: read only, one line each.
    auto *printerStates = wrappingList("printerStates", left);
    printerStates->setFocusPolicy(Qt::NoFocus);
    printerStates->setMinimumHeight(printerStates->fontMetrics().lineSpacing() * 4);
    bindListBox(printerStates, f_.printerStates, a_.run);
    col->addWidget(printerStates, 1);

    auto *lineas = new QHBoxLayout;
    auto *caption = new QLabel(left);
    bindLabel(caption, f_.blankLinesCaption);
    auto *lineasp = new QLineEdit(left);
    lineasp->setObjectName(QStringLiteral("lineasp"));
    lineasp->setMaximumWidth(60);
    bindTextField(lineasp, f_.lineasp);
    auto *up = new QToolButton(left);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName(QStringLiteral("UpDown1Up"));
    auto *down = new QToolButton(left);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName(QStringLiteral("UpDown1Down"));
    connect(up, &QToolButton::clicked, this, [this] { a_.run(a_.upClick); });
    connect(down, &QToolButton::clicked, this, [this] { a_.run(a_.downClick); });
    lineas->addWidget(caption);
    lineas->addWidget(lineasp);
    lineas->addWidget(up);
    lineas->addWidget(down);
    lineas->addStretch();
    col->addLayout(lineas);
    return left;
}

void QtMainWindow::buildChoiceFrame(QWidget *parent) {
    // A veil over the done list while the choice is open, so that no entry
    // shows beside the choice; the pending list stays in sight, as polling
    // goes on. Neither is inside the list frame: that frame is disabled
    // while the choice is open.
    veil_ = new QWidget(parent);
    veil_->setObjectName(QStringLiteral("FraPreVeil"));
    veil_->setAutoFillBackground(true);
    veil_->hide();
    bindFrame(veil_, f_.FraPre);
    auto *fra = new QGroupBox(parent);
    fra->setObjectName(QStringLiteral("FraPre"));
    fra->setAutoFillBackground(true);
    fra->setMinimumWidth(twips(3855));
    auto *col = new QVBoxLayout(fra);
    auto *label = new QLabel(fra);
    bindLabel(label, f_.choiceCaption);
    col->addWidget(label);
    // Which order, and which sending of it, the buttons act on.
    auto *comanda = new QLabel(fra);
    comanda->setObjectName(QStringLiteral("orderChosen"));
    comanda->setWordWrap(true);
    QFont bold = comanda->font();
    bold.setBold(true);
    comanda->setFont(bold);
    bindLabel(comanda, f_.choice.orderChosen);
    col->addWidget(comanda);
    const std::pair<QString, std::function<void()>> buttons[] = {
        {QStringLiteral("Re-Imprimir toda la comanda"), a_.todo},
        {QStringLiteral("Re-Imprimir lo ultimo"), a_.ultimo},
        {QStringLiteral("Cancelar"), a_.cancelar}};
    const char *names[] = {"cmdTodo", "cmdUltimo", "cmdCancelar"};
    for (int i = 0; i < 3; ++i) {
        auto *b = button(buttons[i].first, fra, buttons[i].second, a_);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setMinimumHeight(twips(495));
        col->addWidget(b);
    }
    choice_ = fra;
    bindFrame(fra, f_.FraPre);
    f_.FraPre.changed.connect([this] { placeChoice(); });
    lstReal_->installEventFilter(this);
    placeChoice();
}

void QtMainWindow::placeChoice() {
    if (!f_.FraPre.visible()) return;
    const QRect list(lstReal_->mapTo(left_, QPoint(0, 0)), lstReal_->size());
    veil_->setGeometry(list);
    const int width = std::max(choice_->minimumWidth(), std::min(list.width(), twips(3855) * 3 / 2));
    const int height = choice_->hasHeightForWidth() ? choice_->heightForWidth(width) : choice_->sizeHint().height();
    choice_->setGeometry(QRect(list.topLeft(), QSize(width, std::max(height, choice_->sizeHint().height()))));
    veil_->raise();
    choice_->raise();
}

bool QtMainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lstReal_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) placeChoice();
    return QMainWindow::eventFilter(watched, event);
}

QWidget *QtMainWindow::buildPrinterPanel() {
    PrinterPanel &p = f_.panel;
    auto *frame = new QGroupBox(QStringLiteral("Impresora"), this);
    frame->setObjectName(QStringLiteral("panel"));
    auto *form = new QFormLayout(frame);
    auto combo = [&](ValueList &m, const char *name) {
        auto *c = new QComboBox(frame);
        c->setObjectName(QString::fromLatin1(name));
        // Narrow enough for a 1024-point screen; the list opens wider.
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(14);
        bindValueList(c, m, a_.run);
        return c;
    };
    auto text = [&](TextField &m, const char *name) {
        auto *e = new QLineEdit(frame);
        e->setObjectName(QString::fromLatin1(name));
        bindTextField(e, m);
        return e;
    };
    auto label = [&](Label &m) {
        auto *l = new QLabel(frame);
        bindLabel(l, m);
        return l;
    };
    form->addRow(QStringLiteral("Impresora"), combo(p.cboPrinters, "cboPrinters"));
    form->addRow(QStringLiteral("Nombre del controlador"), label(p.lblDriverName));
    form->addRow(QStringLiteral("Puerto"), label(p.lblPort));
    form->addRow(QStringLiteral("Anchura"), text(p.txtWidth, "txtWidth"));
    form->addRow(QStringLiteral("Altura"), text(p.txtHeight, "txtHeight"));
    form->addRow(QStringLiteral("Tamaño Papel"), combo(p.cboPaperSize, "cboPaperSize"));
    form->addRow(QStringLiteral("Orientación"), combo(p.cboOrientation, "cboOrientation"));
    form->addRow(QStringLiteral("Modo Color"), combo(p.cboColorMode, "cboColorMode"));
    form->addRow(QStringLiteral("Copias"), text(p.txtCopies, "txtCopies"));
    form->addRow(QStringLiteral("Dúplex"), combo(p.cboDuplex, "cboDuplex"));
    form->addRow(QStringLiteral("Alimentación de Papel"), combo(p.cboPaperBin, "cboPaperBin"));
    form->addRow(QStringLiteral("Calidad de Impresión"), combo(p.cboPrintQuality, "cboPrintQuality"));
    form->addRow(QStringLiteral("Margen izquierdo"), text(p.txtScaleLeft, "txtScaleLeft"));
    form->addRow(QStringLiteral("Margen superior"), text(p.txtScaleTop, "txtScaleTop"));
    form->addRow(QStringLiteral("Anchura escala"), text(p.txtScaleWidth, "txtScaleWidth"));
    form->addRow(QStringLiteral("Altura escala"), text(p.txtScaleHeight, "txtScaleHeight"));
    form->addRow(QStringLiteral("Zoom"), text(p.txtZoom, "txtZoom"));
    auto *chk = new QCheckBox(frame);
    chk->setObjectName(QStringLiteral("chkTrackDefault"));
    bindCheckBox(chk, p.chkTrackDefault, a_.run);
    form->addRow(chk);
    auto *make = button(QStringLiteral("&Converitr en actual"), frame, a_.makeCurrent, a_);
    make->setObjectName(QStringLiteral("cmdMakeCurrent"));
    auto *set = button(QStringLiteral("&Definir Propiedades"), frame, a_.set, a_);
    set->setObjectName(QStringLiteral("cmdSet"));
    auto *volver = button(QStringLiteral("Volver a Imprimir Todos"), frame, a_.volver, a_);
    volver->setObjectName(QStringLiteral("cmdVolver"));
    form->addRow(make, set);
    form->addRow(volver);
    return frame;
}

void QtMainWindow::showPrinterPanel(bool show) {
    panel_->setVisible(show);
    if (show) {
        // Wide enough for the panel, and tall enough for all of it where
        // the screen allows: it scrolls only on a small screen.
        centralWidget()->layout()->activate();
        const int missing = panel_->widget()->sizeHint().height() - panel_->viewport()->height();
        resize(std::max(width(), sizeHint().width()), height() + std::max(0, missing));
    }
    fitScreen();
}

void QtMainWindow::fitScreen() {
    const QScreen *s = screen();
    if (!s) return;
    // The frame the window system adds around the window counts too.
    const QRect free = s->availableGeometry();
    const QSize decoration = frameGeometry().size() - geometry().size();
    resize(std::min(width(), free.width() - decoration.width()),
           std::min(height(), free.height() - decoration.height()));
}

void QtMainWindow::closeEvent(QCloseEvent *e) {
    if (a_.closeRequested && !a_.closeRequested()) {
        e->ignore();
        return;
    }
    e->accept();
}

}  // namespace tpv
