#include "app/main_form_layout.h"

#include <algorithm>
#include <iterator>

namespace velmorra {

namespace {

using enum TFormControl;
using enum TFormControlKind;

constexpr int kMargin = 16;

constexpr TFormControlLayout kControls[] = {
    {cmdConvert, Button, "&Convert", kMargin, 91, 426, 25, true, std::nullopt},
    {Label3, Label, "&Nokia Ovi Stores:", kMargin, 18, 0, 13, true, txtStore},
    {txtStore, EditBox, "", 112, 15, 225, 21, false, std::nullopt},
    {cmdOpen, Button, "&Open ...", 367, 13, 75, 25, false, std::nullopt},
    {cmboxStores, DropDownList, "", 112, 15, 225, 21, true, std::nullopt},
    {Label1, Label, "&Phone IMEI:", kMargin, 47, 0, 13, true, cmboxMobile},
    {cmboxMobile, DropDownList, "", 112, 44, 225, 21, true, std::nullopt},
    {Label2, Notice, "", kMargin, 130, kFormClientWidth - 2 * kMargin, 13, true, std::nullopt},
};

static_assert(std::size(kControls) == kFormControlCount);

char32_t LowerAscii(char32_t letter) {
  return letter >= U'A' && letter <= U'Z' ? letter - U'A' + U'a' : letter;
}

// The letter after the "&" of `caption`, lower-cased; 0 when it has none.
char32_t MnemonicOf(const char* caption) {
  for (const char* c = caption; *c != '\0'; ++c) {
    if (*c == '&' && c[1] != '\0')
      return LowerAscii(static_cast<unsigned char>(c[1]));
  }
  return 0;
}

}  // namespace

std::span<const TFormControlLayout> FormControls() {
  return kControls;
}

const TFormControlLayout& FormControlLayout(TFormControl control) {
  return *std::find_if(
      std::begin(kControls), std::end(kControls),
      [control](const TFormControlLayout& layout) { return layout.Control == control; });
}

std::optional<TFormControl> MnemonicBuddy(char32_t letter) {
  for (const TFormControlLayout& layout : kControls) {
    if (layout.Buddy && MnemonicOf(layout.Caption) == LowerAscii(letter))
      return layout.Buddy;
  }
  return std::nullopt;
}

}  // namespace velmorra
