#pragma once
// The edge where the core's byte strings meet Qt's strings: UTF-8 both ways.

#include <QString>
#include <string>

QString ToQt(const std::string& bytes);
std::string FromQt(const QString& text);
