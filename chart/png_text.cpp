#include "chart/png_text.h"

#include <array>
#include <cstdint>

#include "chart/run_image.h"

namespace chart {

namespace {

// The CRC-32 of PNG chunks (ISO 3309, polynomial 0xedb88320, reflected).
[[nodiscard]] std::uint32_t crc32(const QByteArray& bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < entries.size(); ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1U) != 0 ? 0xedb88320U ^ (c >> 1U) : c >> 1U;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xffffffffU;
    for (const char byte : bytes) crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xffU] ^ (crc >> 8U);
    return crc ^ 0xffffffffU;
}

void appendBigEndian(QByteArray& bytes, std::uint32_t value) {
    for (const unsigned shift : {24U, 16U, 8U, 0U}) bytes.append(static_cast<char>((value >> shift) & 0xffU));
}

// Where the first image data chunk starts, -1 if png has none. Readers that
// stop at the image data still see a text chunk put before it.
[[nodiscard]] qsizetype firstImageData(const QByteArray& png) {
    constexpr qsizetype signatureSize = 8;
    constexpr qsizetype framingSize = 12;  // length, type and CRC around a chunk's data
    for (qsizetype at = signatureSize; at + framingSize <= png.size();) {
        if (png.mid(at + 4, 4) == "IDAT") return at;
        std::uint32_t length = 0;
        for (qsizetype i = 0; i < 4; ++i) length = (length << 8U) | static_cast<std::uint8_t>(png[at + i]);
        at += framingSize + static_cast<qsizetype>(length);
    }
    return -1;
}

}  // namespace

QByteArray withTextChunk(QByteArray png, std::string_view keyword, std::string_view utf8Text) {
    const qsizetype at = firstImageData(png);
    if (at < 0) return png;
    // Keyword, NUL, uncompressed (0, 0), no language tag, no translated keyword.
    QByteArray typeAndData("iTXt");
    typeAndData.append(keyword.data(), static_cast<qsizetype>(keyword.size()));
    typeAndData.append(5, '\0');
    typeAndData.append(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
    QByteArray chunk;
    appendBigEndian(chunk, static_cast<std::uint32_t>(typeAndData.size() - 4));
    chunk.append(typeAndData);
    appendBigEndian(chunk, crc32(typeAndData));
    png.insert(at, chunk);
    return png;
}

QByteArray pngWithCommand(const QImage& image, std::string_view command) {
    const QByteArray png = encodePng(image);
    return png.isEmpty() ? png : withTextChunk(png, "Command", command);
}

}  // namespace chart
