#pragma once

// UTF-8 inside, QString at the edge of Qt.

#include <QString>
#include <string>

namespace Sumtide::QtBackend {

inline QString ToQt(const std::string& Text) {
  return QString::fromUtf8(Text.data(), qsizetype(Text.size()));
}

inline std::string FromQt(const QString& Text) {
  return Text.toUtf8().toStdString();
}

} // namespace Sumtide::QtBackend
