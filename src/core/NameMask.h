#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The file list's masks ("*.mp?;*.ogg"): '*' stands for any run of characters, '?' for one, the
// rest for itself whatever its case. Matched by hand: a regular expression costs its engine's
// start-up on the window's first listing, for four fixed masks.
namespace core {

bool matchesMask(QStringView name, QStringView mask);

// Masks separated by ';', blanks around each ignored; "*.*" stands for every file, extension or
// not, as on the systems the masks come from.
class NameMasks {
public:
    explicit NameMasks(const QString &pattern);
    // No mask lets every name through.
    bool matches(QStringView name) const;

private:
    QStringList masks_;
};

} // namespace core
