#pragma once

#include <string>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace velmora::test {

/** A file's bytes, or "<missing>" when it cannot be read. */
inline std::string ReadFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

/** The text of a PDF as pdftotext reads it back, or empty when it cannot. */
inline QString PdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace velmora::test
