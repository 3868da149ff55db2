#pragma once
// Collation sort keys of many UTF-8 texts, made by the collation library under QCollator with the
// collator's own settings, held one after another in one buffer. Comparing two keys
// byte by byte orders their texts as the collator's compare() does.

#include <QCollator>
#include <string_view>
#include <vector>

class TCollationKeys
{
public:
    // Ok() is false when the collator's locale cannot be opened by the library.
    TCollationKeys(const std::vector<std::string_view>& utf8, const QCollator& collator);
    bool Ok() const { return m_ok; }
    std::string_view Key(size_t i) const
    {
        return std::string_view(m_bytes.data() + m_starts[i], m_starts[i + 1] - m_starts[i]);
    }

private:
    std::vector<char> m_bytes;
    std::vector<size_t> m_starts; // one per text and one past the last
    bool m_ok = true;
};
