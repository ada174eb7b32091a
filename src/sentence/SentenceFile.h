#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/SafeFile.h"

// Sentence files: one line holding the sentence code without its final ";", ended by CR LF.
namespace sentence {

// The code of the file's first line (up to the first CR or LF), every final ";" dropped. Nothing
// when the path is not a plain file or cannot be read.
std::optional<QString> readSentenceCode(const QString &path);

// The code a file's first bytes hold: the first line (up to the first CR or LF), a leading
// byte-order mark and every final ";" dropped.
QString codeOfFirstLine(QByteArray head);

// Writes `code` and CR LF, replacing the file whole or leaving it as it was; says why it failed.
core::WriteResult writeSentenceCode(const QString &path, const QString &code);

} // namespace sentence
