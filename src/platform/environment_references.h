#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmorra {

// `text` with each reference "%NAME%" replaced by the value `lookup` gives for NAME, as Windows
// expands an expandable registry string (ExpandEnvironmentStrings): a name that `lookup` does not
// know stays as it is written, and the "%" that closes it may open the next reference.
std::string ExpandEnvironmentReferences(
    std::string_view text,
    const std::function<std::optional<std::string>(std::string_view name)>& lookup);

}  // namespace velmorra
