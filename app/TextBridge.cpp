#include "app/TextBridge.h"

QString ToQt(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FromQt(const QString& text) {
    return text.toUtf8().toStdString();
}
