#pragma once
// Text in a PNG file as UTF-8: an iTXt chunk, which every reader takes as
// UTF-8, whereas the tEXt chunk Qt writes for Latin-1 text is Latin-1.

#include <QByteArray>
#include <QImage>

#include <string_view>

namespace chart {

// png (a whole PNG file) with an uncompressed iTXt chunk of keyword and
// text inserted before its image data; png unchanged when it has none.
[[nodiscard]] QByteArray withTextChunk(QByteArray png, std::string_view keyword, std::string_view utf8Text);

// The image as a PNG file with the command that made it in the chunk
// "Command", so that a figure found later can be made again; empty when
// encoding fails.
[[nodiscard]] QByteArray pngWithCommand(const QImage& image, std::string_view command);

}  // namespace chart
