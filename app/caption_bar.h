#pragma once
// CCaptionBar: a resizable bar with a caption band at the top that shows the bar's window
// text, repainted when the text changes. CCaptionFontBar draws the caption in a font of its
// own: "Tahoma" when a font family of that name is installed, else "Arial".

#include <string>

#include "app/resizable_bar.h"
#include "winui/handles.h"

class CCaptionBar : public CResizableBar {
protected:
    int captionHeight() const override;
    void paintCaption(HDC dc, const RECT& band) const override;
    // The caption's font for the bar's DPI; the system's small-caption font here.
    virtual HFONT captionFont() const;
    int dpi() const;

private:
    mutable winui::UniqueFont systemFont_;
    mutable int systemFontDpi_ = 0;
};

class CCaptionFontBar : public CCaptionBar {
public:
    CCaptionFontBar();
    const std::wstring& captionFontName() const { return fontName_; }

protected:
    // 8 points bold, made again when the bar's DPI changes.
    HFONT captionFont() const override;

private:
    std::wstring fontName_;
    mutable winui::UniqueFont font_;
    mutable int fontDpi_ = 0;
};

// Whether a font family of this name is installed.
bool fontFamilyInstalled(const wchar_t* name);
