#pragma once

#include <QString>
#include <QStringList>

// Splits an assistant reply into sentences. Each of 。？！；， (full width) and the ASCII
// ! ? ; ends a sentence and stays with it; "." and "," do not split, so that numbers
// such as 1.5 survive. Sentences are trimmed, empty ones dropped; text after the last
// delimiter is the last sentence.
QStringList splitIntoSentences(const QString &text);
