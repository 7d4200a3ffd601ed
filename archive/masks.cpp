#include "archive/masks.h"

#include <cctype>

namespace palvex::archive {

namespace {

bool same(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// Iterative wildcard match with one backtracking point: linear for the masks people write.
bool wildcard(const std::string& mask, const std::string& name) {
    std::size_t m = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && same(mask[m], name[n])))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (star != std::string::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

TInternalMask::TInternalMask(std::string mask) {
    for (char c : mask)
        if (!(c == '?' && !mask_.empty() && mask_.back() == '*'))
            mask_ += c;
}

bool TInternalMask::matches(const std::string& name) const {
    if (wildcard(mask_, name))
        return true;
    return !mask_.empty() && mask_.back() == '.' && name.find('.') == std::string::npos &&
           wildcard(mask_, name + '.');
}

bool TMultiMask::matches(const std::string& name) const {
    for (const TInternalMask& mask : masks_)
        if (mask.matches(name))
            return true;
    return false;
}

bool maskMatches(const std::string& mask, const std::string& name) {
    return TInternalMask(mask).matches(name);
}

} // namespace palvex::archive
