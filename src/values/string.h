#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Reference-counted, immutable 8-bit text. Copies share one block; the block
// holds the count, the length and the zero-terminated characters in a single
// allocation. A null String (no block) is the empty string.
//
// Counts are not atomic: a value is touched by one thread at a time (the
// worker during a run, the user-interface thread between runs).
class String {
public:
    String() noexcept = default;
    explicit String(const char *text);
    String(const char *text, int length);
    explicit String(const QByteArray &bytes);
    // Latin-1 conversion: the language's strings are 8-bit.
    static String fromQString(const QString &text);

    String(const String &other) noexcept;
    String(String &&other) noexcept : _data(other._data) { other._data = nullptr; }
    String &operator=(const String &other) noexcept;
    String &operator=(String &&other) noexcept;
    ~String() { release(); }

    void release() noexcept;

    bool isNull() const noexcept { return _data == nullptr; }
    bool isEmpty() const noexcept { return _data == nullptr || _data->length == 0; }
    int length() const noexcept { return _data ? _data->length : 0; }
    // Never null: the empty string's text is "".
    const char *text() const noexcept { return _data ? _data->text : ""; }
    char at(int i) const;

    QString toQString() const { return QString::fromLatin1(text(), length()); }
    QByteArray toByteArray() const { return QByteArray(text(), length()); }

    // Byte-wise comparison; the empty string is smaller than every other.
    int compare(const String &other) const noexcept;
    bool operator==(const String &other) const noexcept;
    bool operator!=(const String &other) const noexcept { return !(*this == other); }

    // Concatenation; returns a null String when memory runs out of a
    // non-empty result (callers report "Not enough memory").
    static bool concat(const String &a, const String &b, String &out);
    // Appends `tail` in place when this string holds the only reference to
    // its text (and is not `tail`'s text); the room grows geometrically, so
    // building a text piece by piece is linear. False, with nothing changed,
    // when the text is shared or memory runs out: concat then does the work.
    bool append(const String &tail);

    int refCount() const noexcept { return _data ? _data->refCount : 0; }

private:
    struct Data {
        int32_t refCount;
        int32_t length;
        int32_t capacity; // characters the block has room for
        char text[1];
    };
    static Data *allocate(int length);

    Data *_data = nullptr;
};
