#include "widgets/customPlainTextEdit.h"

#include <QKeyEvent>
#include <QTextCursor>

#include <algorithm>

namespace {

bool isHexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return true;
    const QChar u = c.toUpper();
    return u >= QLatin1Char('A') && u <= QLatin1Char('F');
}

int hexDigitsBefore(const QString &text, int position)
{
    int n = 0;
    const int end = std::min<int>(position, text.size());
    for (int i = 0; i < end; ++i) {
        if (isHexDigit(text.at(i)))
            ++n;
    }
    return n;
}

} // namespace

CustomPlainTextEdit::CustomPlainTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
}

QString CustomPlainTextEdit::extractHexDigits(const QString &text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (isHexDigit(c))
            digits.append(c.toUpper());
    }
    return digits;
}

QString CustomPlainTextEdit::groupHexPairs(const QString &digits)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 2);
    for (int i = 0; i < digits.size(); i += 2) {
        if (i > 0)
            out.append(QLatin1Char(' '));
        out.append(digits.mid(i, 2));
    }
    return out;
}

int CustomPlainTextEdit::positionAfterDigits(int n)
{
    if (n <= 0)
        return 0;
    return (n - 1) + (n - 1) / 2 + 1;
}

void CustomPlainTextEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & Qt::ShiftModifier)
            emit shiftReturnPressed();
        else if (event->modifiers() & Qt::ControlModifier)
            emit ctrlReturnPressed();
        else
            emit returnPressed();
        event->accept();
        return;
    }

    if (!hexMode) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }

    // Plain ints: a QTextCursor would follow the edit.
    const QString textBefore = toPlainText();
    const int posBefore = textCursor().position();
    const int anchorBefore = textCursor().anchor();
    QPlainTextEdit::keyPressEvent(event);
    reformatHex(textBefore, posBefore, anchorBefore);
}

void CustomPlainTextEdit::reformatHex(const QString &textBefore, int posBefore, int anchorBefore)
{
    const QString text = toPlainText();
    hexDigits = extractHexDigits(text);

    // Only an edit that adds digits beyond the limit is taken back: when the limit has
    // been lowered below what the box already holds, deleting must still work.
    if (byteLimit >= 0 && hexDigits.size() > 2 * byteLimit
        && hexDigits.size() > extractHexDigits(textBefore).size()) {
        setTextAndSelection(textBefore, anchorBefore, posBefore);
        hexDigits = extractHexDigits(textBefore);
        return;
    }

    if (formatting)
        return;
    formatting = true;

    const QTextCursor cursor = textCursor();
    const int pos = cursor.position();
    const int anchor = cursor.anchor();
    const QString formatted = groupHexPairs(hexDigits);

    if (formatted != text) {
        // Count digits, not every non-blank character: a rejected character must not
        // shift the cursor by one.
        auto mapPosition = [&](int oldPos) {
            const int n = std::min<int>(hexDigitsBefore(text, oldPos), hexDigits.size());
            int p = positionAfterDigits(n);
            // A cursor that sat after a separator stays after it, so that the arrow
            // keys can step across the space between two pairs.
            if (oldPos > 0 && oldPos <= text.size() && text.at(oldPos - 1).isSpace()
                && p < formatted.size() && formatted.at(p) == QLatin1Char(' '))
                ++p;
            return p;
        };
        const int newPos = mapPosition(pos);
        const int newAnchor = anchor != pos ? mapPosition(anchor) : newPos;
        setTextAndSelection(formatted, newAnchor, newPos);
    }

    formatting = false;
}

void CustomPlainTextEdit::setTextAndSelection(const QString &text, int anchor, int position)
{
    setPlainText(text);
    QTextCursor cursor = textCursor();
    const int end = text.size();
    cursor.setPosition(std::clamp(anchor, 0, end));
    cursor.setPosition(std::clamp(position, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString CustomPlainTextEdit::paddedHex(const QString &text, int byteLimit)
{
    QString digits = text.simplified().remove(QLatin1Char(' '));
    if (digits.size() % 2 != 0)
        digits.append(QLatin1Char('0'));
    while (byteLimit >= 0 && digits.size() / 2 < byteLimit)
        digits.append(QStringLiteral("00"));
    return groupHexPairs(digits.toUpper());
}

void CustomPlainTextEdit::padHexRightToLimit()
{
    const bool wasFormatting = formatting;
    formatting = true;
    setPlainText(paddedHex(toPlainText(), byteLimit));
    formatting = wasFormatting;
}
