#pragma once

#include <QString>
#include <optional>

// Sentence files: one line holding the sentence code without its final ";", ended by CR LF.
namespace sentence {

// The code of the file's first line (up to the first CR or LF), every final ";" dropped. Nothing
// when the path is not a plain file or cannot be read.
std::optional<QString> readSentenceCode(const QString &path);

// Writes `code` and CR LF, replacing the file whole or leaving it as it was.
bool writeSentenceCode(const QString &path, const QString &code);

} // namespace sentence
