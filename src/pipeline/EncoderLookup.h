#pragma once

#include <QString>

// The Ogg encoder that the conversion and the preparation run, and the one refusal every caller
// shows when it is missing.
namespace pipeline {

// oggenc, from the program's folder first, then from the PATH; empty when there is none.
QString findEncoder(const QString &programFolder);

// Why nothing was converted: where the encoder was looked for and how to get it, in French,
// lines ended by CR LF as in the window's boxes.
QString missingEncoderText(const QString &programFolder);

} // namespace pipeline
