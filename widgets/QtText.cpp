#include "QtText.h"

#include "widgets/Charsets.h"

QString ToQ(std::string_view text) { return DecodeUnlabelled(text); }

std::string FromQ(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}
