#include "QtText.h"

#include <QStringDecoder>

QString ToQ(const std::string& text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string FromQ(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}
