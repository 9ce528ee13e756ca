#pragma once
// Binds widgets to the control models: the widget redraws when the model
// changes, and the operator's actions go through the model's own setters
// and click calls, so the window behaves exactly as the headless layer.
#include "compat/Controls.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QWidget;

namespace tpv {

// Runs an operator action; the window decides how to show its failures.
using ActionRunner = std::function<void(const std::function<void()> &)>;

void bindLabel(QLabel *w, Label &m);
void bindTextField(QLineEdit *w, TextField &m);
void bindCheckBox(QCheckBox *w, CheckBox &m, const ActionRunner &run);
void bindListBox(QListWidget *w, ListBox &m, const ActionRunner &run);
void bindValueList(QComboBox *w, ValueList &m, const ActionRunner &run);
// Twips as laid out, at 15 twips a pixel.
constexpr int twips(int t) { return t / 15; }
// A positioned frame floats at its model's place (over its siblings).
void bindFrame(QWidget *w, Frame &m, bool positioned = false);

}  // namespace tpv
