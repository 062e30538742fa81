// The transformations of the derived-variable editor: what each code needs, how its formula previews,
// its note and the value it gives for one row; and the six categories with the eight slots they fill.
#pragma once

#include <array>
#include <functional>
#include <string>

// A slot carrying this code is unused and hidden.
inline constexpr unsigned kUnusedTransformSlot = 299;
inline constexpr unsigned kTransformCategoryCount = 6;
inline constexpr unsigned kTransformSlotCount = 8;

struct TransformEquation {
    unsigned code = 0;
    bool needsX = false, needsY = false, needsC = false;
    // Shown as written, never localized: "%@" stands for the new name, then x, y or c as needed.
    const char* previewFormat = "";
    // English; shown through the localized-string lookup. Empty for no note.
    const char* note = "";
};

// A code that is not in the table previews as "Unknown Transformation", needs x and copies x.
const TransformEquation& transformEquation(unsigned code);

// The format filled with the new name on the left and then the inputs the code needs, in the order x,
// y, c. Code 338 keeps the letter x: its format has one placeholder.
std::string previewOfEquation(const TransformEquation& equation, const std::string& left,
                              const std::string& x, const std::string& y, const std::string& c);

struct TransformSlot {
    const char* title = "unused"; // shown as written
    unsigned code = kUnusedTransformSlot;
};

// The eight slots of a category 0-5, in the order of the slot buttons.
const std::array<TransformSlot, kTransformSlotCount>& slotsOfCategory(unsigned category);
// The English title of a category's button.
const char* titleOfCategory(unsigned category);
// The slots before the first category tap: category 0's, with x² and x³ in the Square and Cube slots,
// the only place that offers those two codes.
const std::array<TransformSlot, kTransformSlotCount>& initialSlots();

// The statistics of x that some codes use; without an x column they are these defaults.
struct XStatistics {
    double mean = 0, sd = 1, min = 0, max = 1;
};

// The value of one row from x, y and c (the caller leaves out rows with a missing input). The uniform
// codes draw a fresh number on every call.
std::function<double(double, double, double)> formulaOfEquation(unsigned code, XStatistics statistics);
