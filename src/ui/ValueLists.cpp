// The fixed entries of the panel's value lists and the three list operations.
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "ui/PrinterPanel.h"

namespace tpv {

namespace {

struct Entry {
    const char *text;
    int32_t value;
};

// Positions 27 to 29 carry 29, 30, 28: the order the list was laid out in.
const Entry kPaperSizes[] = {
    {"vbPRPSLetter", 1},
    {"vbPRPSLetterSmall", 2},
    {"vbPRPSTabloid", 3},
    {"vbPRPSLedger", 4},
    {"vbPRPSLegal", 5},
    {"vbPRPSStatement", 6},
    {"vbPRPSExecutive", 7},
    {"vbPRPSA3", 8},
    {"vbPRPSA4", 9},
    {"vbPRPSA4Small", 10},
    {"vbPRPSA5", 11},
    {"vbPRPSB4", 12},
    {"vbPRPSB5", 13},
    {"vbPRPSFolio", 14},
    {"vbPRPSQuarto", 15},
    {"vbPRPS10x14", 16},
    {"vbPRPS11x17", 17},
    {"vbPRPSNote", 18},
    {"vbPRPSEnv9", 19},
    {"vbPRPSEnv10", 20},
    {"vbPRPSEnv11", 21},
    {"vbPRPSEnv12", 22},
    {"vbPRPSEnv14", 23},
    {"vbPRPSCSheet", 24},
    {"vbPRPSDSheet", 25},
    {"vbPRPSESheet", 26},
    {"vbPRPSEnvDL", 27},
    {"vbPRPSEnvC3", 29},
    {"vbPRPSEnvC4", 30},
    {"vbPRPSEnvC5", 28},
    {"vbPRPSEnvC6", 31},
    {"vbPRPSEnvC65", 32},
    {"vbPRPSEnvB4", 33},
    {"vbPRPSEnvB5", 34},
    {"vbPRPSEnvB6", 35},
    {"vbPRPSEnvItaly", 36},
    {"vbPRPSEnvMonarch", 37},
    {"vbPRPSEnvPersonal", 38},
    {"vbPRPSFanfoldUS", 39},
    {"vbPRPSFanfoldStdGerman", 40},
    {"vbPRPSFanfoldLglGerman", 41},
    {"vbPRPSUser", 256},
};

const Entry kPaperBins[] = {
    {"Superior", 1},        {"Inferior", 2},  {"Medio", 3},    {"Manual", 4},          {"Sobre", 5},
    {"Sobre Manual", 6},    {"Auto", 7},      {"Tracción", 8}, {"Formato pequeño", 9}, {"Formato grande", 10},
    {"Gran capacidad", 11}, {"Cassette", 14},
};
const Entry kOrientations[] = {{"Vertical", 1}, {"Apaisado", 2}};
const Entry kColorModes[] = {{"Monocromo", 1}, {"Color", 2}};
const Entry kDuplex[] = {{"Simple", 1}, {"Horizontal", 2}, {"Vertical", 3}};
const Entry kQualities[] = {{"Borrador", -1}, {"Bajo", -2}, {"Medio", -3}, {"Alto", -4}};

template <size_t N>
void fill(ValueList &cbo, const Entry (&entries)[N]) {
    for (const Entry &e : entries) {
        try {
            AddItem(cbo, QString::fromUtf8(e.text), e.value);
        } catch (const TpvError &) {
        }
    }
}

}  // namespace

void AddItem(ValueList &cbo, const QString &text, int32_t value) { cbo.addItem(text, value); }

void SelectItem(ValueList &cbo, int32_t value) {
    for (int i = 0; i < cbo.listCount(); ++i) {
        if (cbo.itemData(i) == value) {
            cbo.setListIndex(i);
            return;
        }
    }
    cbo.setListIndex(-1);
    cbo.setTypedText(QString::number(value));
}

int32_t GetItem(const ValueList &cbo) {
    if (cbo.listIndex() >= 0) return cbo.itemData(cbo.listIndex());
    return roundToInt32(textToDouble(cbo.text()));
}

void InitControls(const PanelContext &c) {
    PrinterPanel &p = c.panel;
    p.cboPrinters.clicked.connect([c]() mutable { cboPrinters_Click(c); });
    p.chkTrackDefault.clicked.connect([c]() mutable { chkTrackDefault_Click(c); });
    fill(p.cboPaperSize, kPaperSizes);
    fill(p.cboPaperBin, kPaperBins);
    fill(p.cboOrientation, kOrientations);
    fill(p.cboColorMode, kColorModes);
    fill(p.cboDuplex, kDuplex);
    fill(p.cboPrintQuality, kQualities);
    if (c.printers.count() == 0) {
        c.dialogs.message(QStringLiteral("No existen impresoras instaladas"), appTitle(), MsgIcon::Critical);
        throw ProgramEnded{1};
    }
    QString currentName;
    try {
        currentName = c.printers.get(PrinterProperty::DeviceName).toText();
    } catch (const TpvError &) {
    }
    for (int i = 0; i < c.printers.count(); ++i) {
        try {
            const QString name = c.printers.installed(i).get(PrinterProperty::DeviceName).toText();
            p.cboPrinters.addItem(name);
            if (name == currentName) p.cboPrinters.setListIndex(i);
        } catch (const TpvError &) {
        }
    }
}

bool refreshInstalledPrinters(const PanelContext &c) {
    const QStringList added = c.printers.rescan();
    for (const QString &name : added) c.panel.cboPrinters.addItem(name);
    return !added.isEmpty();
}

}  // namespace tpv
