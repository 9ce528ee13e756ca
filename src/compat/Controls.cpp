#include "compat/Controls.h"

#include "compat/Error.h"

namespace tpv {

void Label::setCaption(const QString &c) {
    if (c == caption_) return;
    caption_ = c;
    changed();
}

void TextField::setText(const QString &t) {
    if (t == text_) return;
    text_ = t;
    DataChanged = true;
    changed();
}

void CheckBox::setValue(int v) {
    if (v == value_) return;
    value_ = v;
    DataChanged = true;
    changed();
}

void CheckBox::click() {
    setValue(value_ ? 0 : 1);
    clicked();
}

void ListBox::clear() {
    items_.clear();
    listIndex_ = -1;
    changed();
}

void ListBox::addItem(const QString &text) {
    items_.push_back({text, 0});
    changed();
}

void ListBox::insertItem(int index, const QString &text) {
    if (index < 0 || index > listCount())
        throw TpvError(err::InvalidCall, QStringLiteral("Llamada a procedimiento o argumento no válido"));
    items_.insert(items_.begin() + index, Item{text, 0});
    if (listIndex_ >= index) ++listIndex_;
    changed();
}

QString ListBox::list(int i) const {
    if (i < 0 || i >= listCount()) return {};
    return items_[static_cast<size_t>(i)].text;
}

int32_t ListBox::itemData(int i) const {
    if (i < 0 || i >= listCount())
        throw TpvError(err::InvalidPropertyIndex, QStringLiteral("Índice de matriz de propiedades no válido"));
    return items_[static_cast<size_t>(i)].data;
}

void ListBox::setItemData(int i, int32_t v) {
    if (i < 0 || i >= listCount())
        throw TpvError(err::InvalidPropertyIndex, QStringLiteral("Índice de matriz de propiedades no válido"));
    items_[static_cast<size_t>(i)].data = v;
}

void ListBox::setListIndex(int i) {
    if (i < -1 || i >= listCount())
        throw TpvError(err::InvalidPropertyValue, QStringLiteral("Valor de propiedad no válido"));
    if (i == listIndex_) return;
    listIndex_ = i;
    changed();
}

void ListBox::click(int i) {
    setListIndex(i);
    clicked();
}

int ListBox::entryOf(int row, const QString &text, int32_t data) const {
    const auto holds = [&](int i) {
        const Item &it = items_[static_cast<size_t>(i)];
        return it.text == text && it.data == data;
    };
    if (row >= 0 && row < listCount() && holds(row)) return row;
    for (int i = 0; i < listCount(); ++i)
        if (holds(i)) return i;
    return -1;
}

QStringList ListBox::texts() const {
    QStringList out;
    for (const auto &it : items_) out << it.text;
    return out;
}

void ValueList::addItem(const QString &text, int32_t value) {
    items_.push_back({text, value});
    changed();
}

QString ValueList::list(int i) const {
    if (i < 0 || i >= listCount()) return {};
    return items_[static_cast<size_t>(i)].text;
}

int32_t ValueList::itemData(int i) const {
    if (i < 0 || i >= listCount())
        throw TpvError(err::InvalidPropertyIndex, QStringLiteral("Índice de matriz de propiedades no válido"));
    return items_[static_cast<size_t>(i)].value;
}

void ValueList::setListIndex(int i) {
    if (i < -1 || i >= listCount())
        throw TpvError(err::InvalidPropertyValue, QStringLiteral("Valor de propiedad no válido"));
    if (i == listIndex_) return;
    listIndex_ = i;
    if (i >= 0) editText_ = items_[static_cast<size_t>(i)].text;
    DataChanged = true;
    changed();
    clicked();
}

QString ValueList::text() const {
    if (listIndex_ >= 0) return items_[static_cast<size_t>(listIndex_)].text;
    return editText_;
}

void ValueList::setText(const QString &t) {
    int match = -1;
    for (int i = 0; i < listCount() && match < 0; ++i)
        if (items_[static_cast<size_t>(i)].text == t) match = i;
    for (int i = 0; i < listCount() && match < 0; ++i)
        if (items_[static_cast<size_t>(i)].text.compare(t, Qt::CaseInsensitive) == 0) match = i;
    if (match >= 0) {
        setListIndex(match);
        return;
    }
    if (entriesOnly_) throw TpvError(err::NotInList, QStringLiteral("La propiedad 'Text' es de sólo lectura"));
    setTypedText(t);
}

void ValueList::setTypedText(const QString &t) {
    if (entriesOnly_) throw TpvError(err::NotInList, QStringLiteral("La propiedad 'Text' es de sólo lectura"));
    if (listIndex_ == -1 && editText_ == t) return;
    const bool selectionChanged = listIndex_ != -1;
    listIndex_ = -1;
    editText_ = t;
    DataChanged = true;
    changed();
    if (selectionChanged) clicked();
}

void Frame::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    changed();
}

void Frame::setEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    changed();
}

void Frame::move(int left, int top) {
    if (left == left_ && top == top_) return;
    left_ = left;
    top_ = top;
    changed();
}

}  // namespace tpv
