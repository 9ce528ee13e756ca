#include "app/window/QtMainWindow.h"

#include "app/FrmPpal.h"
#include "platform/gui/QtBindings.h"

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
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tpv {

namespace {
QPushButton *button(const QString &text, QWidget *parent, const std::function<void()> &onClick,
                    const MainWindowActions &a) {
    auto *b = new QPushButton(text, parent);
    QObject::connect(b, &QPushButton::clicked, b, [onClick, a] { a.run(onClick); });
    return b;
}
}  // namespace

QtMainWindow::QtMainWindow(FrmPpal &f, MainWindowActions actions) : f_(f), a_(std::move(actions)) {
    setObjectName(QStringLiteral("frmPpal"));
    setWindowTitle(f.Caption);
    auto *tl = menuBar()->addAction(QStringLiteral("Tipo Letra"));
    tl->setObjectName(QStringLiteral("tl"));
    connect(tl, &QAction::triggered, this, [this] { a_.run(a_.fontMenu); });
    auto *panelAction = menuBar()->addAction(QStringLiteral("Impresoras"));
    panelAction->setCheckable(true);
    connect(panelAction, &QAction::toggled, this, [this](bool on) { showPrinterPanel(on); });

    auto *central = new QWidget(this);
    auto *outer = new QHBoxLayout(central);
    auto *left = new QWidget(central);
    left->setFixedWidth(twips(6960));
    auto *col = new QVBoxLayout(left);

    auto *server = new QHBoxLayout;
    auto *lbServidor = new QLabel(left);
    lbServidor->setObjectName(QStringLiteral("lbServidor"));
    auto *lbCatalogo = new QLabel(left);
    lbCatalogo->setObjectName(QStringLiteral("lbCatalogo"));
    bindLabel(lbServidor, f.lbServidor);
    bindLabel(lbCatalogo, f.lbCatalogo);
    server->addWidget(new QLabel(QStringLiteral("Servidor:"), left));
    server->addWidget(lbServidor, 1);
    server->addWidget(lbCatalogo);
    col->addLayout(server);

    auto *fraListas = new QGroupBox(left);
    fraListas->setObjectName(QStringLiteral("FraListas"));
    auto *lists = new QHBoxLayout(fraListas);
    auto *lstPend = new QListWidget(fraListas);
    lstPend->setObjectName(QStringLiteral("lstPend"));
    auto *lstReal = new QListWidget(fraListas);
    lstReal->setObjectName(QStringLiteral("lstReal"));
    bindListBox(lstPend, f.lstPend, a_.run);
    bindListBox(lstReal, f.lstReal, a_.run);
    lists->addWidget(lstPend);
    lists->addWidget(lstReal);
    bindFrame(fraListas, f.FraListas);
    col->addWidget(fraListas, 1);

    // The printers' states, under the job lists: a few lines, read only.
    auto *lstImpresoras = new QListWidget(left);
    lstImpresoras->setObjectName(QStringLiteral("lstImpresoras"));
    lstImpresoras->setMaximumHeight(twips(1200));
    lstImpresoras->setFocusPolicy(Qt::NoFocus);
    bindListBox(lstImpresoras, f.lstImpresoras, a_.run);
    col->addWidget(lstImpresoras);

    auto *lineas = new QHBoxLayout;
    auto *caption = new QLabel(left);
    bindLabel(caption, f.lbLineasCaption);
    auto *lineasp = new QLineEdit(left);
    lineasp->setObjectName(QStringLiteral("lineasp"));
    lineasp->setMaximumWidth(60);
    bindTextField(lineasp, f.lineasp);
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
    outer->addWidget(left);

    buildChoiceFrame(left, fraListas);
    panel_ = buildPrinterPanel();
    outer->addWidget(panel_);
    panel_->hide();

    setCentralWidget(central);
    auto *estado = new QLabel(this);
    estado->setObjectName(QStringLiteral("lbEstado"));
    estado->setStyleSheet(QStringLiteral("color: #b00000"));
    bindLabel(estado, f.lbEstado);
    statusBar()->addWidget(estado, 1);
    resize(twips(6960) + 40, twips(9495) / 2);
}

QWidget *QtMainWindow::buildChoiceFrame(QWidget *parent, QWidget *lists) {
    // A veil over the whole list frame while the choice is open, so no list
    // entry shows beside the choice; the choice itself keeps its laid-out size.
    auto *veil = new QWidget(parent);
    veil->setObjectName(QStringLiteral("FraPreVeil"));
    veil->setAutoFillBackground(true);
    veil->hide();
    // Not inside the list frame: that frame is disabled while the choice is open.
    f_.FraPre.changed.connect([veil, lists] {
        veil->setGeometry(lists->geometry());
        veil->raise();
    });
    bindFrame(veil, f_.FraPre);
    auto *fra = new QGroupBox(parent);
    fra->setObjectName(QStringLiteral("FraPre"));
    fra->setAutoFillBackground(true);
    fra->setGeometry(0, 0, twips(3855), twips(2640));
    auto *label = new QLabel(fra);
    bindLabel(label, f_.lbElegir);
    label->setGeometry(twips(240), twips(360), twips(3615), twips(495));
    const std::pair<QString, std::function<void()>> buttons[] = {
        {QStringLiteral("Re-Imprimir toda la comanda"), a_.todo},
        {QStringLiteral("Re-Imprimir lo ultimo"), a_.ultimo},
        {QStringLiteral("Cancelar"), a_.cancelar}};
    const char *names[] = {"cmdTodo", "cmdUltimo", "cmdCancelar"};
    int top = 1080;
    for (int i = 0; i < 3; ++i) {
        auto *b = button(buttons[i].first, fra, buttons[i].second, a_);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setGeometry(twips(120), twips(top), twips(3615), twips(495));
        top += 480;
    }
    bindFrame(fra, f_.FraPre, true);
    return fra;
}

QWidget *QtMainWindow::buildPrinterPanel() {
    PrinterPanel &p = f_.panel;
    auto *frame = new QGroupBox(QStringLiteral("Impresora"), this);
    frame->setObjectName(QStringLiteral("panel"));
    auto *form = new QFormLayout(frame);
    auto combo = [&](ValueList &m, const char *name) {
        auto *c = new QComboBox(frame);
        c->setObjectName(QString::fromLatin1(name));
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
    adjustSize();
}

void QtMainWindow::closeEvent(QCloseEvent *e) {
    if (a_.closeRequested && !a_.closeRequested()) {
        e->ignore();
        return;
    }
    e->accept();
}

}  // namespace tpv
