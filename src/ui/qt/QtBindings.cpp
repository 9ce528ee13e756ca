#include "ui/qt/QtBindings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTimer>
#include <memory>

namespace tpv {

void bindLabel(QLabel *w, Label &m) {
    w->setText(m.caption());
    m.changed.connect([w, &m] { w->setText(m.caption()); });
}

void bindTextField(QLineEdit *w, TextField &m) {
    w->setText(m.text());
    m.changed.connect([w, &m] {
        if (w->text() != m.text()) {
            const QSignalBlocker b(w);
            w->setText(m.text());
        }
    });
    QObject::connect(w, &QLineEdit::textEdited, w, [&m](const QString &t) { m.setText(t); });
}

void bindCheckBox(QCheckBox *w, CheckBox &m, const ActionRunner &run) {
    w->setText(m.caption());
    w->setChecked(m.value() != 0);
    m.changed.connect([w, &m] {
        const QSignalBlocker b(w);
        w->setChecked(m.value() != 0);
    });
    QObject::connect(w, &QCheckBox::clicked, w, [&m, run](bool) { run([&m] { m.click(); }); });
}

void bindListBox(QListWidget *w, ListBox &m, const ActionRunner &run) {
    // A refresh rebuilds a list entry by entry; the widget is redrawn once
    // the burst is over, not at every entry (a day's queue is thousands).
    auto scheduled = std::make_shared<bool>(false);
    auto redraw = [w, &m, scheduled] {
        *scheduled = false;
        const QSignalBlocker b(w);
        const QStringList texts = m.texts();
        if (w->count() != texts.size()) {
            w->clear();
            w->addItems(texts);
        } else {
            for (int i = 0; i < texts.size(); ++i)
                if (w->item(i)->text() != texts[i]) w->item(i)->setText(texts[i]);
        }
        // Each row keeps the item value it was drawn with, so a click names
        // the entry the operator saw, not only its row.
        for (int i = 0; i < texts.size(); ++i) w->item(i)->setData(Qt::UserRole, m.itemData(i));
        w->setCurrentRow(m.listIndex());
    };
    redraw();
    m.changed.connect([w, redraw, scheduled] {
        if (*scheduled) return;
        *scheduled = true;
        QTimer::singleShot(0, w, redraw);
    });
    QObject::connect(w, &QListWidget::itemClicked, w, [w, &m, run](QListWidgetItem *item) {
        const int row = w->row(item);
        const QString text = item->text();
        const int32_t data = item->data(Qt::UserRole).toInt();
        run([&m, row, text, data] {
            // A click taken while a tick ran is done after it, on the list
            // the tick rebuilt: the entry clicked, wherever it is now.
            if (const int i = m.entryOf(row, text, data); i >= 0) m.click(i);
        });
    });
}

void bindValueList(QComboBox *w, ValueList &m, const ActionRunner &run) {
    w->setEditable(!m.entriesOnly());
    w->setInsertPolicy(QComboBox::NoInsert);
    auto redraw = [w, &m] {
        const QSignalBlocker b(w);
        if (w->count() != m.listCount()) {
            w->clear();
            for (int i = 0; i < m.listCount(); ++i) w->addItem(m.list(i));
        }
        w->setCurrentIndex(m.listIndex());
        if (w->isEditable() && w->currentText() != m.text()) w->setEditText(m.text());
    };
    redraw();
    m.changed.connect(redraw);
    QObject::connect(w, &QComboBox::activated, w, [&m, run](int i) { run([&m, i] { m.setListIndex(i); }); });
    if (w->isEditable()) {
        QObject::connect(w->lineEdit(), &QLineEdit::textEdited, w,
                         [&m, run](const QString &t) { run([&m, t] { m.setTypedText(t); }); });
    }
}

void bindFrame(QWidget *w, Frame &m, bool positioned) {
    auto redraw = [w, &m, positioned] {
        if (positioned) w->move(twips(m.left()), twips(m.top()));
        w->setVisible(m.visible());
        w->setEnabled(m.enabled());
        if (positioned && m.visible()) w->raise();
    };
    redraw();
    m.changed.connect(redraw);
}

}  // namespace tpv
