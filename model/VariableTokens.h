// Plain values that screens turn into views: the colour of each variable type and the description of
// a variable's name shown as a coloured token, alone or inside a line of text.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct RGBAColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const RGBAColor&, const RGBAColor&) = default;
};

struct TokenRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const TokenRect&, const TokenRect&) = default;
};

// A label that shows a variable's name, centred, in a bold system font, on the type's colour with a
// black border and round ends. The view sizes the label to fit its text, then widens it by `extraWidth`.
struct TokenLabel {
    std::string text;
    TokenRect frame;
    double fontSize = 0;     // 0.8 of the frame's height
    double cornerRadius = 0; // half the frame's height
    double borderWidth = 1;
    double extraWidth = 0; // the frame's height
    RGBAColor background;
    RGBAColor border{0, 0, 0, 1};
    bool bold = true;
    bool centred = true;
};

// A line of text with tokens in place of its placeholders: plain pieces and tokens in reading order.
// The view lays them out from x = 0, each after the previous one's fitted width.
struct TokenPiece {
    std::string text;                // the plain text of a text piece
    std::optional<TokenLabel> token; // set for a token
};

struct TokenView {
    TokenRect frame;
    std::vector<TokenPiece> pieces;
};
