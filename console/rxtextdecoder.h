#pragma once

#include <QString>

#include <string_view>

// Turns received bytes into the text of the receive pane. Every byte shows:
// CR, LF and CR LF each make one line break (also when the CR and the LF come
// in different chunks), other control bytes appear as visible symbols, and the
// rest maps to characters as Latin-1. Lines longer than the limit continue on
// the next line, so one endless line cannot make every append re-lay out an
// ever longer paragraph.
class RxTextDecoder {
public:
    explicit RxTextDecoder(int maxLineLength);

    QString decode(std::string_view bytes);
    // Forgets a pending CR and the column (after bytes were skipped).
    void reset();
    // The column where the next character goes.
    int column() const { return m_column; }
    // Frees the block the next text would be made in (for a quiet moment).
    void dropSpare() { m_text = QString(); }

private:
    // A byte that is not a plain character (a line break or a control).
    void put(QString& out, unsigned char byte);
    void putPrintable(QString& out, std::string_view run);
    void putChars(QString& out, const QString& chars);
    void lineBreak(QString& out);

    QString m_text;
    int m_maxLineLength;
    int m_column = 0;
    bool m_afterCr = false;
};
