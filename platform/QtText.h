#pragma once
// Texts crossing between the core, whose texts are UTF-8 (foundation/TextEncoding.h), and Qt,
// whose texts are Unicode strings. Every window and the automation server convert here, so
// that a text typed, sent or read from a file is the same text everywhere.
#include <QString>
#include <string>
#include <string_view>

#include "foundation/TextEncoding.h"

namespace qv {

// Raw bytes within a core text (a controller's answer) show as Windows-1252 characters.
inline QString QtText(std::string_view text) {
  const std::string valid = RepairUtf8(text);
  return QString::fromUtf8(valid.data(), static_cast<qsizetype>(valid.size()));
}

inline std::string CoreText(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace qv
