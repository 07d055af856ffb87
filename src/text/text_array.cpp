#include "text/text_array.h"

#include "text/fatal_error.h"

namespace seo {

void TextArray::CheckIndex(int index) const {
    if (index < 1) RaiseFatalError(IndexBelowOneError());
    if (index > Count()) RaiseFatalError(IndexAboveCountError());
}

const Text& TextArray::At(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index - 1)];
}

Text& TextArray::At(int index) {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index - 1)];
}

}  // namespace seo
