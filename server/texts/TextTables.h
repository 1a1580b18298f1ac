#pragma once

// One table per language: the words of every Text. A language that lacks a text
// does not compile (each table is a switch over every Text).

#include "texts/Text.h"

#include <QStringView>

QStringView englishText(Text text);
QStringView chineseText(Text text);
QStringView vietnameseText(Text text);
