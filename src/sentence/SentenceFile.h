#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/SafeFile.h"

// Sentence files: one line holding the sentence code without its final ";", ended by CR LF.
namespace sentence {

// Far above any sentence file of ours (MaxSentenceElements take 3 KB), and small enough to read.
constexpr qint64 MaxSentenceFileBytes = qint64{16} << 20;

// Far above any spoken instruction, and few enough to load and show at once.
constexpr qsizetype MaxSentenceElements = 1000;

enum class SentenceRefusal { None, TooLarge, TooManyElements };

// The code of the file's first line (up to the first CR or LF), every final ";" dropped; the
// file is read whole, so no element is ever cut. Nothing when the path is not a plain file,
// cannot be read, is larger than MaxSentenceFileBytes or holds more than MaxSentenceElements
// elements (then *refused says which, if given); the elements are counted in the bytes, before
// any text is made of them.
std::optional<QString> readSentenceCode(const QString &path, SentenceRefusal *refused = nullptr);

// The elements a code holds, as parseElements() counts them.
qsizetype elementCount(QByteArrayView code);

// The code a file's bytes hold: the first line (up to the first CR or LF), a leading
// byte-order mark and every final ";" dropped.
QString codeOfFirstLine(QByteArray content);

// Writes `code` and CR LF, replacing the file whole or leaving it as it was; says why it failed.
core::WriteResult writeSentenceCode(const QString &path, const QString &code);

} // namespace sentence
