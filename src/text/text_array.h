#pragma once
#include <vector>

#include "text/types.h"

namespace seo {

// An ordered list of texts, indexed from 1. An index outside 1..Count() is a fatal error.
class TextArray {
public:
    TextArray() = default;
    explicit TextArray(std::vector<Text> items) : items_(std::move(items)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    const Text& At(int index) const;
    Text& At(int index);
    void Append(Text item) { items_.push_back(std::move(item)); }

    const std::vector<Text>& Items() const { return items_; }
    bool operator==(const TextArray&) const = default;

private:
    void CheckIndex(int index) const;
    std::vector<Text> items_;
};

}  // namespace seo
