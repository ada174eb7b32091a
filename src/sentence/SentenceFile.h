#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/SafeFile.h"

// Sentence files: one line holding the sentence code without its final ";", ended by CR LF.
namespace sentence {

// Far above any real sentence (a 100,000-element one takes 300 KB), and small enough to read.
constexpr qint64 MaxSentenceFileBytes = qint64{16} << 20;

// The code of the file's first line (up to the first CR or LF), every final ";" dropped; the
// file is read whole, so no element is ever cut. Nothing when the path is not a plain file,
// cannot be read, or is larger than MaxSentenceFileBytes (then *tooLarge is set, if given).
std::optional<QString> readSentenceCode(const QString &path, bool *tooLarge = nullptr);

// The code a file's bytes hold: the first line (up to the first CR or LF), a leading
// byte-order mark and every final ";" dropped.
QString codeOfFirstLine(QByteArray content);

// Writes `code` and CR LF, replacing the file whole or leaving it as it was; says why it failed.
core::WriteResult writeSentenceCode(const QString &path, const QString &code);

} // namespace sentence
