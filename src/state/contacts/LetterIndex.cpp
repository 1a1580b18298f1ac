#include "state/contacts/LetterIndex.h"

#include <QDebug>
#include <QHash>
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

QMutex& transliteratorLock()
{
    static QMutex mutex;
    return mutex;
}

// Callers hold transliteratorLock().
QString toLatin(const QString& text)
{
    // Creating a transliterator is slow (tens of milliseconds) and an instance is
    // not thread-safe: one shared instance behind a lock.
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
    transliterator->transliterate(buffer);
    return QString(reinterpret_cast<const QChar*>(buffer.getBuffer()), buffer.length());
}

QString firstGrapheme(const QString& text)
{
    // The finder works over the whole text it is given; a name's first character
    // is decided by its first few units, so it looks at those unless the
    // character runs on past them.
    constexpr qsizetype Window = 32;
    const QString head = text.size() > Window ? text.left(Window) : text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, head);
    qsizetype end = finder.toNextBoundary();
    if (end == head.size() && head.size() < text.size()) {
        QTextBoundaryFinder whole(QTextBoundaryFinder::Grapheme, text);
        end = whole.toNextBoundary();
    }
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
    // An ASCII letter followed by ASCII cannot start a longer grapheme: most
    // names are decided without the boundary finder.
    if (isAsciiLetter(displayName.front()) && (displayName.size() == 1 || displayName.at(1).unicode() < 0x80))
        return displayName.left(1).toUpper();
    // Thousands of names share a few hundred first characters (surnames above
    // all), and finding a grapheme and transliterating it cost microseconds:
    // each is worked out once. A character followed by ASCII or by a letter
    // that cannot join it (a Hangul jamo can) is a grapheme of its own.
    QMutexLocker lock(&transliteratorLock());
    static QHash<QString, QString> letters;
    const QChar lead = displayName.front();
    const auto isJamo = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x1100 && u <= 0x11ff) || (u >= 0xa960 && u <= 0xa97f) || (u >= 0xd7b0 && u <= 0xd7ff)
            || u == 0xff9e || u == 0xff9f;
    };
    const bool alone = !lead.isSurrogate() && !isJamo(lead)
        && (displayName.size() == 1 || displayName.at(1).unicode() < 0x80
            || (displayName.at(1).isLetter() && !isJamo(displayName.at(1))));
    const QString key = alone ? QString(lead) : firstGrapheme(displayName);
    if (const auto known = letters.constFind(key); known != letters.cend())
        return *known;
    // Compatibility forms read as the letter they style: 𝐀 and Ａ are A.
    const QString first = key.normalized(QString::NormalizationForm_KC);
    if (first.size() == 1 && isAsciiLetter(first.front())) {
        letters.insert(key, first.toUpper());
        return first.toUpper();
    }
    // Han comes back padded with spaces.
    const QString latin = toLatin(first).trimmed();
    const char32_t codePoint = latin.isEmpty() ? U'#' : latin.toUcs4().front();
    // Full upper-casing: ß becomes "SS".
    const QString letter = QChar::isLetter(codePoint) ? QString::fromUcs4(&codePoint, 1).toUpper() : other;
    letters.insert(key, letter);
    return letter;
}

QString ordinalKey(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C);
}

bool ordinalKeyLess(const QString& a, const QString& b)
{
    // UTF-16 units compare in scalar order except that surrogates (a character
    // beyond U+FFFF) must rank above U+E000..U+FFFF: shift the two ranges.
    auto rank = [](char16_t unit) -> char16_t {
        if (unit < 0xd800)
            return unit;
        return unit < 0xe000 ? char16_t(unit + 0x2000) : char16_t(unit - 0x800);
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
        [&rank](QChar x, QChar y) { return rank(x.unicode()) < rank(y.unicode()); });
}

bool ordinalLess(const QString& a, const QString& b)
{
    return ordinalKeyLess(ordinalKey(a), ordinalKey(b));
}

} // namespace letterIndex
