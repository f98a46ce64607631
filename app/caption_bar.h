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
    // The caption's font; the system's small-caption font here.
    virtual HFONT captionFont() const;

private:
    mutable winui::UniqueFont systemFont_;
};

class CCaptionFontBar : public CCaptionBar {
public:
    CCaptionFontBar();
    const std::wstring& captionFontName() const { return fontName_; }

protected:
    HFONT captionFont() const override { return font_.get(); }

private:
    std::wstring fontName_;
    winui::UniqueFont font_;
};

// Whether a font family of this name is installed.
bool fontFamilyInstalled(const wchar_t* name);
