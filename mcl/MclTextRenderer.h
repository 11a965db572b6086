#pragma once
// A text renderer of the library: a GDI font, colours and a shadow, drawn
// anti-aliased over a picture's own pixels.
#include <windows.h>

#include <string>

#include "MclApi.h"
#include "MclHandleTable.h"
#include "MclPicture.h"

enum : int32_t { MCL_STYLE_BOLD = 1, MCL_STYLE_ITALIC = 2, MCL_STYLE_UNDERLINE = 4, MCL_STYLE_STRIKEOUT = 8 };

class MclTextRenderer {
public:
    MclTextRenderer();
    ~MclTextRenderer();
    MclTextRenderer(const MclTextRenderer&) = delete;
    MclTextRenderer& operator=(const MclTextRenderer&) = delete;

    // Size in points; Quality 0 draws with hard edges.
    bool SetFont(const std::string& name, int32_t size, int32_t style, int32_t quality);
    // The shadow is Depth copies of the text, each moved by (Dx, Dy) from the
    // one before; depth 0 draws none.
    void SetShadow(int32_t depth, int32_t dx, int32_t dy);
    // Background -1 leaves the pixels under the text as they are; any other
    // value fills the text's box with that colour first.
    void SetColors(MclColor color, MclColor shadow, int32_t background);
    // The box the text covers, its shadow included.
    SIZE Extents(const std::string& text) const;
    // The text's box with its top left at (X, Y).
    void Draw(MclPicture& picture, int32_t x, int32_t y, const std::string& text) const;

private:
    SIZE TextSize(HDC dc, const std::string& text) const;

    HFONT font_ = nullptr;
    int32_t shadowDepth_ = 0;
    int32_t shadowDx_ = 0;
    int32_t shadowDy_ = 0;
    MclColor color_ = 0xFFFFFF;
    MclColor shadowColor_ = 0;
    int32_t background_ = -1;
};

MclHandleTable<MclTextRenderer>& TextRenderers();
MclTextRenderer* TextFromHandle(MclText text);
