#pragma once

#include <QString>

// The name a kept take gets in the pack folder: "<Id>.wav" while the prompt has no file, else
// the next take "<Id> prise N.wav" beside the file it has, so no file is ever replaced.
namespace recorder {

// `folder`'s name for a new take of prompt `id`: N is one past the highest take number already
// used by a file of any extension (names compared without regard to ASCII case).
QString takeName(const QString &folder, const QString &id);

} // namespace recorder
