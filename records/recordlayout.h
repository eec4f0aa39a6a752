#pragma once
// The one table that describes every column of the personnel record: its
// database name, the caption and label the user sees, the control that edits
// it, where that control sits, the values a drop-down offers and whether
// typing is capitalised. The main window builds its pages from it.
#include <span>
#include <string_view>

namespace kadrolin::records {

enum TControlKind { ckEdit, ckComboBox, ckMemo, ckPicture };
enum TGridColumn { gcLeft, gcMiddle, gcRight, gcLeftMiddle, gcFourth, gcWholePage };

struct TColumnLayout {
    const char *FieldName;   // database column
    const char *Caption;     // label text, exactly as shown (nullptr: none)
    const char *LabelName;   // component name of the label (nullptr: none)
    const char *ControlName; // component name of the editing control
    TControlKind Kind;
    int Page; // 0..3
    int Row;  // 1..5 (0: not in the grid of rows)
    TGridColumn Column;
    int Left, Top, Width;                // inside the page's frame; edit and drop-down boxes are 21 high
    bool Capitalised;                    // typed text gets capital word starts
    std::span<const char *const> Values; // drop-down values in order
};

// The 42 columns, page by page in the order of the pages' tables.
std::span<const TColumnLayout> RecordLayout();
const TColumnLayout *FindColumn(std::string_view fieldName);

// Pages of the editing area: tab caption and page name.
struct TPageLayout {
    const char *TabCaption;
    const char *PageName;
    const char *FrameName;
};
std::span<const TPageLayout> PageLayout();

inline constexpr int kControlHeight = 21;
inline constexpr int kLabelAbove = 16; // a label stands this far above its control

inline constexpr const char *kTableName = "tarvelion";
inline constexpr const char *kNameField = "A_Adi";
inline constexpr const char *kPictureField = "A_Resim";
inline constexpr const char *kKeyField = "Id";
inline constexpr const char *kDatabaseFile = "Data.mdb";

} // namespace kadrolin::records
