#pragma once

// The languages the server writes its texts in, and which one a client asked for.

#include <QByteArrayView>

enum class Language { English, Chinese, Vietnamese };

// From an Accept-Language header ("vi", "zh-Hans", "en-GB,vi;q=0.8"): the most
// preferred of the three that the header names; English when it names none of
// them or is absent.
Language languageFromHeader(QByteArrayView acceptLanguage);
