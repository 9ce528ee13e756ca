#pragma once
// The operator's reprint controls: a done job clicked in the done list opens
// a small choice with the poll stopped; the whole order can be printed again
// at once, or every order of the business date put back into the queue.
namespace tpv {
class FrmPpal;

// Connects the list and buttons to the procedures below.
void connectReprintControls(FrmPpal &f);

void lstReal_Click(FrmPpal &f);
void cmdTodo_Click(FrmPpal &f);
void cmdUltimo_Click(FrmPpal &f);
void LoUltimo(FrmPpal &f);
void cmdCancelar_Click(FrmPpal &f);
void cmdVolver_Click(FrmPpal &f);
}  // namespace tpv
