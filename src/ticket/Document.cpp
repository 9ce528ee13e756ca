#include "ticket/Document.h"

namespace tpv {

namespace {
const QString kLineEnd = QStringLiteral("\r\n");
}

Document Document::fromText(const QString &text, LineRole role) {
    Document d;
    d.appendText(text, role);
    return d;
}

void Document::addLine(LineRole role, const QString &text) { lines_.push_back({role, text}); }

void Document::continueLast(const DocumentLine &line) {
    if (lines_.empty()) {
        lines_.push_back(line);
        return;
    }
    DocumentLine &last = lines_.back();
    // An empty line that text continues takes that text's role.
    if (last.text.isEmpty() && (last.role == LineRole::Plain || last.role == LineRole::Blank)) last.role = line.role;
    last.text += line.text;
}

void Document::appendText(const QString &text, LineRole role) {
    qsizetype from = 0;
    bool first = true;
    for (;;) {
        const qsizetype end = text.indexOf(kLineEnd, from);
        const QString piece = text.mid(from, end < 0 ? -1 : end - from);
        const LineRole pieceRole = piece.isEmpty() && role == LineRole::Plain ? LineRole::Plain : role;
        if (first)
            continueLast({pieceRole, piece});
        else
            lines_.push_back({pieceRole, piece});
        first = false;
        if (end < 0) break;
        from = end + kLineEnd.size();
    }
}

void Document::append(const Document &other) {
    for (size_t i = 0; i < other.lines_.size(); ++i) {
        if (i == 0)
            continueLast(other.lines_[i]);
        else
            lines_.push_back(other.lines_[i]);
    }
}

QString Document::text() const {
    qsizetype size = 0;
    for (const DocumentLine &l : lines_) size += l.text.size() + kLineEnd.size();
    QString out;
    out.reserve(size);
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += kLineEnd;
        out += lines_[i].text;
    }
    return out;
}

}  // namespace tpv
