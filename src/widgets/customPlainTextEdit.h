#pragma once

#include <QPlainTextEdit>
#include <QString>

class QKeyEvent;

// Input box of the terminal, the send queue, the CAN data fields and the chat.
// Return is reported as a signal instead of being inserted. In hexMode the text is
// kept as upper-case digit pairs separated by single spaces while the user types,
// and byteLimit (when not negative) caps the number of bytes.
class CustomPlainTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CustomPlainTextEdit(QWidget *parent = nullptr);

    void setHexMode(bool on) { hexMode = on; }
    void setByteLimit(int limit) { byteLimit = limit; }

    // Pads the hexadecimal text on the right with zeros up to byteLimit bytes (an odd
    // last digit first gets its low nibble); never truncates. The result is written
    // back as upper-case pairs separated by spaces.
    void padHexRightToLimit();
    // What padHexRightToLimit makes of `text` for a limit of `byteLimit` bytes.
    static QString paddedHex(const QString &text, int byteLimit);

    // The hexadecimal digits of text, upper case, every other character dropped.
    static QString extractHexDigits(const QString &text);
    // Digits in pairs separated by one space; an odd last digit stands alone.
    static QString groupHexPairs(const QString &digits);
    // Position in grouped text right after the first n digits.
    static int positionAfterDigits(int n);

    bool hexMode = false;
    int byteLimit = -1;
    QString hexDigits;

signals:
    void returnPressed();
    void shiftReturnPressed();
    void ctrlReturnPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void reformatHex(const QString &textBefore, int posBefore, int anchorBefore);
    void setTextAndSelection(const QString &text, int anchor, int position);

    bool formatting = false;
};
