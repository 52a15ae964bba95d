#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace velmorra {

// The main window's form, described once for every toolkit: each adapter makes these controls
// with these captions at these places, in this tab order, gives each label's mnemonic to its buddy
// and turns Escape and Enter into these keys for TfrmMain. Places are pixels at 96 DPI, which an
// adapter scales to its screen; the window's text is Tahoma 8 pt where the system has it.

enum class TFormControl {
  cmdConvert,
  Label3,
  txtStore,
  cmdOpen,
  cmboxStores,
  Label1,
  cmboxMobile,
  Label2
};
// How many controls TFormControl names.
inline constexpr size_t kFormControlCount = 8;

enum class TFormControlKind {
  Button,
  Label,  // names its buddy, whose focus its mnemonic gives
  EditBox,
  DropDownList,  // chooses among its items only
  Notice,        // one line that says what happened, its text shortened in the middle to fit
};

struct TFormControlLayout {
  TFormControl Control;
  TFormControlKind Kind;
  const char* Caption;           // UTF-8; "&" marks the mnemonic letter
  int Left, Top, Width, Height;  // a label of width 0 is as wide as its text
  bool ShownAtStart;
  // For a label: the control its mnemonic focuses, when that control can take the focus.
  std::optional<TFormControl> Buddy;
};

inline constexpr char kFormCaption[] = "Velmorra convert utility";
inline constexpr int kFormClientWidth = 461;
inline constexpr int kFormClientHeight = 154;
inline constexpr char kFormFontFamily[] = "Tahoma";
inline constexpr int kFormFontPoints = 8;

// The keys TfrmMain's FormKeyPress and txtStoreKeyPress take for Escape and Enter.
inline constexpr char kEscapeKey = 27;
inline constexpr char kEnterKey = 13;

// Every control of the form in tab order, each label just before its buddy (as the Windows dialog
// manager wants it). txtStore and cmdOpen take the place of cmboxStores when no datastore is
// registered.
std::span<const TFormControlLayout> FormControls();

// The layout of `control`.
const TFormControlLayout& FormControlLayout(TFormControl control);

// The buddy of the label whose mnemonic is `letter` (either case), if there is one.
std::optional<TFormControl> MnemonicBuddy(char32_t letter);

}  // namespace velmorra
