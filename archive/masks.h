#pragma once

#include <string>
#include <vector>

namespace palvex::archive {

// One compiled file-name mask, matched against a whole name without regard to case: "*" is
// any run of characters, "?" exactly one. A "?" right after a "*" adds nothing and is
// dropped; a mask ending in "." also matches a name without any dot.
class TInternalMask {
public:
    explicit TInternalMask(std::string mask);
    bool matches(const std::string& name) const;
    const std::string& text() const { return mask_; }

private:
    std::string mask_;
};

// A set of masks of which any one may match.
class TMultiMask {
public:
    void add(const std::string& mask) { masks_.emplace_back(mask); }
    bool matches(const std::string& name) const;
    bool empty() const { return masks_.empty(); }
    const std::vector<TInternalMask>& masks() const { return masks_; }
    std::vector<TInternalMask>& masks() { return masks_; }

private:
    std::vector<TInternalMask> masks_;
};

bool maskMatches(const std::string& mask, const std::string& name);

} // namespace palvex::archive
