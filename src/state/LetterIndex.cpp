#include "state/LetterIndex.h"

#include <QDebug>
#include <QMutex>
#include <QTextBoundaryFinder>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace {

// Han read as pinyin (the /Names variant reads surnames right: 曾 → zeng), every
// other script to Latin, then accents dropped; ß and Ł stay as they are.
constexpr const char* transliteratorId =
    "Han-Latin/Names; Any-Latin; NFD; [:Nonspacing Mark:] Remove; NFC";

QString toLatin(const QString& text)
{
    // Creating a transliterator is slow (tens of milliseconds) and an instance is
    // not thread-safe: one shared instance behind a lock.
    static QMutex mutex;
    static std::unique_ptr<icu::Transliterator> transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> created(icu::Transliterator::createInstance(
            icu::UnicodeString::fromUTF8(transliteratorId), UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            qWarning() << "[Contacts] Transliterator unavailable:" << u_errorName(status);
            created.reset();
        }
        return created;
    }();
    if (!transliterator)
        return text;
    icu::UnicodeString buffer(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    {
        QMutexLocker lock(&mutex);
        transliterator->transliterate(buffer);
    }
    return QString(reinterpret_cast<const QChar*>(buffer.getBuffer()), buffer.length());
}

QString firstGrapheme(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? text.left(end) : text;
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

namespace letterIndex {

QString letterFor(const QString& displayName)
{
    static const QString other = QStringLiteral("#");
    if (displayName.isEmpty())
        return other;
    const QString first = firstGrapheme(displayName);
    if (first.size() == 1 && isAsciiLetter(first.front()))
        return first.toUpper();

    // Han comes back padded with spaces.
    const QString latin = toLatin(first).trimmed();
    if (latin.isEmpty())
        return other;
    const char32_t codePoint = latin.toUcs4().front();
    if (!QChar::isLetter(codePoint))
        return other;
    // Full upper-casing: ß becomes "SS".
    return QString::fromUcs4(&codePoint, 1).toUpper();
}

bool ordinalLess(const QString& a, const QString& b)
{
    const QList<uint> left = a.normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> right = b.normalized(QString::NormalizationForm_C).toUcs4();
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
}

} // namespace letterIndex
