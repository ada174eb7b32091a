#include "pipeline/EncoderLookup.h"

#include "pipeline/ProcessRunner.h"

namespace pipeline {

QString findEncoder(const QString &programFolder) {
    return findTool(programFolder, QStringLiteral("oggenc"));
}

QString missingEncoderText(const QString &programFolder) {
    return QStringLiteral("L'encodeur oggenc est introuvable. Il a été cherché dans le dossier du "
                          "programme (") +
           programFolder +
           QStringLiteral(") puis dans les dossiers du PATH.\r\n"
                          "Installez-le (paquet vorbis-tools : sudo apt install vorbis-tools) ou "
                          "copiez oggenc dans le dossier du programme.\r\n"
                          "Aucun fichier n'a été converti.");
}

} // namespace pipeline
