#include "ui/gbk_text.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace varnolt::ui {

Text toGbk(const QString& s) {
    QStringEncoder encoder("windows-936");
    const QByteArray bytes = encoder.encode(s);
    Text text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

QString fromGbk(std::string_view bytes) {
    QStringDecoder decoder("windows-936");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Text pathToText(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return Text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString textToPath(const Text& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

}  // namespace varnolt::ui
