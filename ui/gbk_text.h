// Texts cross the window boundary as code page 936 (GBK) bytes; Qt holds
// UTF-16. File paths are not texts: they keep the file system's encoding.
#pragma once

#include <QString>

#include "engine/byte_string.h"

namespace varnolt::ui {

// Characters that code page 936 cannot hold become "?". The result ends
// before the first zero byte, as every Text does.
Text toGbk(const QString& s);
// Invalid sequences show as U+FFFD.
QString fromGbk(std::string_view bytes);

Text pathToText(const QString& path);
QString textToPath(const Text& path);

}  // namespace varnolt::ui
