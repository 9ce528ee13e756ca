#pragma once
// The state of the main window's controls, kept apart from any widget so the
// same procedures run with the real window, headless, and in tests. A real
// window binds widgets to these models: it redraws on `changed` and reports
// the operator's actions through the same setters and click calls.
//
// DataChanged follows the rules the printer panel relies on: any change of a
// control's content sets it, by the operator or by code; writing the content
// the control already shows does not.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace tpv {

// A list of callbacks; controls call them on change or click.
class Notifier {
public:
    void connect(std::function<void()> f) { handlers_.push_back(std::move(f)); }
    void operator()() const {
        for (const auto &h : handlers_) h();
    }

private:
    std::vector<std::function<void()>> handlers_;
};

class Label {
public:
    explicit Label(QString caption = {}) : caption_(std::move(caption)) {}
    const QString &caption() const { return caption_; }
    void setCaption(const QString &c);
    Notifier changed;

private:
    QString caption_;
};

class TextField {
public:
    const QString &text() const { return text_; }
    void setText(const QString &t);
    bool DataChanged = false;
    Notifier changed;

private:
    QString text_;
};

class CheckBox {
public:
    explicit CheckBox(QString caption = {}) : caption_(std::move(caption)) {}
    int value() const { return value_; }
    void setValue(int v);
    // The operator's click: toggles the box and runs the click handler.
    void click();
    const QString &caption() const { return caption_; }
    bool DataChanged = false;
    Notifier changed;
    Notifier clicked;

private:
    QString caption_;
    int value_ = 0;
};

// A list box: text entries with integer item values and a selection.
class ListBox {
public:
    void clear();
    void addItem(const QString &text);
    void insertItem(int index, const QString &text);
    int listCount() const { return static_cast<int>(items_.size()); }
    QString list(int i) const;      // empty past the end, like the control
    int32_t itemData(int i) const;  // error 381 past the end
    void setItemData(int i, int32_t v);
    int listIndex() const { return listIndex_; }
    void setListIndex(int i);
    // The operator clicks entry i: it becomes selected, then `clicked` runs.
    void click(int i);
    // The entry the operator saw at `row` with that text and item value: the
    // list may have been rebuilt since it was drawn (a tick refreshes it
    // while a click waits). That row when it still holds the entry, else
    // the first entry that does; -1 when the entry is gone.
    int entryOf(int row, const QString &text, int32_t data) const;
    QStringList texts() const;
    Notifier changed;
    Notifier clicked;

private:
    struct Item {
        QString text;
        int32_t data = 0;
    };
    std::vector<Item> items_;
    int listIndex_ = -1;
};

// A drop-down list whose entries carry a 32-bit value, with an edit part
// that holds a typed number when no entry fits. With entriesOnly the text can
// only be set to an entry's text (error 383 otherwise).
class ValueList {
public:
    explicit ValueList(bool entriesOnly = false) : entriesOnly_(entriesOnly) {}

    void addItem(const QString &text, int32_t value = 0);
    int listCount() const { return static_cast<int>(items_.size()); }
    QString list(int i) const;
    int32_t itemData(int i) const;
    int listIndex() const { return listIndex_; }
    // Selects entry i (-1: none). A change of selection runs `clicked`.
    void setListIndex(int i);
    // The text shown: the selected entry's, or the edit part's.
    QString text() const;
    // Selects the entry of that text (case-insensitively, an exact match
    // first), or, where typing is allowed, puts the text in the edit part.
    void setText(const QString &t);
    // Clears the selection and puts the text in the edit part.
    void setTypedText(const QString &t);
    bool entriesOnly() const { return entriesOnly_; }
    bool DataChanged = false;
    Notifier changed;
    Notifier clicked;

private:
    struct Item {
        QString text;
        int32_t value;
    };
    std::vector<Item> items_;
    int listIndex_ = -1;
    QString editText_;
    bool entriesOnly_;
};

// A frame: its place (in twips, as laid out), visibility and enabled state.
class Frame {
public:
    bool visible() const { return visible_; }
    bool enabled() const { return enabled_; }
    int left() const { return left_; }
    int top() const { return top_; }
    void setVisible(bool v);
    void setEnabled(bool e);
    void move(int left, int top);
    Notifier changed;

private:
    bool visible_ = true;
    bool enabled_ = true;
    int left_ = 0;
    int top_ = 0;
};

}  // namespace tpv
