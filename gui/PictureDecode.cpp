#include "gui/PictureDecode.h"

#include <zlib.h>
#include <QBuffer>
#include <QImageReader>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <array>
#include <memory>

namespace pixquarry {

namespace {

constexpr char kNoPreview[] = "无法预览：";
constexpr char kInflatesTooFar[] = "图片解压后超过 16 MiB";
constexpr char kDamaged[] = "图片数据已损坏";
constexpr char kUnsupported[] = "不支持的图片格式";

DecodedPicture Refused(const QString& why) {
    return {{}, kNoPreview + why};
}

QString ByteSize(std::int64_t bytes) {
    if (bytes < 1024)
        return QString("%1 字节").arg(bytes);
    if (bytes < 1024 * 1024)
        return QString("%1 KiB").arg(static_cast<double>(bytes) / 1024, 0, 'f', 1);
    return QString("%1 MiB").arg(static_cast<double>(bytes) / (1024 * 1024), 0, 'f', 1);
}

// An svgz's document, or why there is none. Stops at kMaxInflatedBytes and
// at the end of the first gzip member, so neither a bomb nor members
// strung together get past the bound.
bool Gunzip(const QByteArray& packed, QByteArray& out, QString& why) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        why = kDamaged;
        return false;
    }
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&stream, inflateEnd);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    std::array<char, 64 * 1024> chunk;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
        stream.avail_out = static_cast<uInt>(chunk.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = static_cast<qsizetype>(chunk.size() - stream.avail_out);
        if (out.size() + produced > kMaxInflatedBytes) {
            why = kInflatesTooFar;
            return false;
        }
        out.append(chunk.data(), produced);
        if (result == Z_STREAM_END)
            return true;
        if (result != Z_OK) {
            why = kDamaged;
            return false;
        }
    }
}

// True when CSS or attribute text could name something outside the picture:
// a url() that is not "#id", an @import, or an escape that could spell one.
bool NamesOutside(QStringView text) {
    if (text.contains(u'\\') || text.contains(u"@import", Qt::CaseInsensitive))
        return true;
    for (qsizetype at = 0; (at = text.indexOf(u"url(", at, Qt::CaseInsensitive)) >= 0;) {
        at += 4;
        while (at < text.size() && (text[at].isSpace() || text[at] == u'"' || text[at] == u'\''))
            ++at;
        if (at == text.size() || text[at] != u'#')
            return true;
    }
    return false;
}

bool Harmless(const QXmlStreamAttribute& attribute) {
    QStringView name = attribute.qualifiedName();
    name = name.sliced(name.lastIndexOf(u':') + 1);
    if (name.compare(u"href", Qt::CaseInsensitive) == 0 ||
        name.compare(u"src", Qt::CaseInsensitive) == 0)
        return attribute.value().trimmed().startsWith(u'#');
    return !NamesOutside(attribute.value());
}

// The SVG document rewritten with elements, harmless attributes and text
// only: no DOCTYPE or entity declaration, no processing instruction (Qt
// reads the file an xml-stylesheet names), no reference other than "#id"
// (an <image> would be read from disk, a data: one could be an SVG with
// references of its own) and no style sheet that names anything.
bool NeutralSvg(const QByteArray& document, QByteArray& out, QString& why) {
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);  // xmlns declarations come as attributes
    QXmlStreamWriter writer(&out);
    writer.writeStartDocument();
    int depth = 0;
    int styleDepth = 0;  // inside a <style> when > 0
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                const QStringView name = reader.qualifiedName();
                const QStringView local = name.sliced(name.lastIndexOf(u':') + 1);
                if (depth++ == 0 && local != u"svg") {
                    why = kUnsupported;
                    return false;
                }
                // A picture of its own could only be read from outside.
                if (local.compare(u"image", Qt::CaseInsensitive) == 0 ||
                    local.compare(u"feImage", Qt::CaseInsensitive) == 0) {
                    --depth;
                    reader.skipCurrentElement();
                    break;
                }
                if (styleDepth > 0 || local.compare(u"style", Qt::CaseInsensitive) == 0)
                    ++styleDepth;
                writer.writeStartElement(name.toString());
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (Harmless(attribute))
                        writer.writeAttribute(attribute.qualifiedName().toString(),
                                              attribute.value().toString());
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                --depth;
                if (styleDepth > 0)
                    --styleDepth;
                writer.writeEndElement();
                break;
            case QXmlStreamReader::Characters:
                if (styleDepth == 0 || !NamesOutside(reader.text()))
                    writer.writeCharacters(reader.text().toString());
                break;
            default:  // DTD, entity references, processing instructions, comments
                break;
        }
        if (out.size() > kMaxInflatedBytes) {
            why = kInflatesTooFar;
            return false;
        }
    }
    if (reader.hasError() || depth != 0) {
        why = kDamaged;
        return false;
    }
    writer.writeEndDocument();
    return true;
}

QString ReaderFailure(const QImageReader& reader) {
    switch (reader.error()) {
        case QImageReader::UnsupportedFormatError:
            return kUnsupported;
        case QImageReader::InvalidDataError:
            return kDamaged;
        default:
            return "无法解码图片";
    }
}

// `data` read as `format` and no other: Qt's guess could hand any bytes to
// its SVG reader.
DecodedPicture Read(QByteArray data, const QByteArray& format, const QString& type,
                    std::int64_t bytes, int side) {
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    const QSize pixels = reader.size();
    if (pixels.isValid() && static_cast<std::int64_t>(pixels.width()) * pixels.height() * 4 >
                                std::int64_t{kAllocationLimitMiB} * 1024 * 1024)
        return Refused(
            QString("图片尺寸过大（%1 × %2 像素）").arg(pixels.width()).arg(pixels.height()));
    // JPEG scales while decoding and SVG renders at any size; other readers
    // that scale lose an indexed picture's colours (a one-colour 1-bit PNG
    // comes out as black and white stripes).
    if (pixels.isValid() && (pixels.width() > side || pixels.height() > side) &&
        (format == "jpeg" || format == "svg"))
        reader.setScaledSize(pixels.scaled(side, side, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return Refused(ReaderFailure(reader));
    if (image.width() > side || image.height() > side) {
        // Smooth scaling keeps only 32-bit pixels true to the picture.
        if (image.depth() < 32)
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                    : QImage::Format_RGB32);
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    const QSize shown = pixels.isValid() ? pixels : image.size();
    return {image, QString("%1 × %2 像素，%3，%4")
                       .arg(shown.width())
                       .arg(shown.height())
                       .arg(ByteSize(bytes))
                       .arg(type)};
}

// Markup after an optional byte-order mark and blanks: only SVG among the
// formats read here.
bool LooksLikeMarkup(const QByteArray& data) {
    QByteArrayView rest(data);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    return rest.trimmed().startsWith('<');
}

}  // namespace

DecodedPicture DecodeThumbnail(const std::string& bytes, int side) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(size));
    QByteArray format;
    {
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        format = QImageReader::imageFormat(&buffer);
    }
    QString why;
    const bool packed = data.startsWith("\x1f\x8b");
    if (packed || LooksLikeMarkup(data) || format.startsWith("svg")) {
        QByteArray document;
        if (packed && !Gunzip(data, document, why))
            return Refused(why);
        QByteArray neutral;
        if (!NeutralSvg(packed ? document : data, neutral, why))
            return Refused(why);
        return Read(std::move(neutral), "svg", packed ? "SVGZ" : "SVG", size, side);
    }
    if (format.isEmpty())
        return Refused(kUnsupported);
    return Read(data, format, QString::fromLatin1(format).toUpper(), size, side);
}

}  // namespace pixquarry
