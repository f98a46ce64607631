#pragma once
// CPreviewToolboxDlg (dialog resource 141): the settings panel on the right of the preview — the
// theme, the grid, the thumbnail and album widths with the album width's unit, the two border
// widths, eleven colours and the photo size. Number fields are read-only edits driven by their
// spins (arrows or arrow keys). The panel scrolls vertically by itself in 5-pixel steps.
//
// The panel only shows and collects values: the preview dialog reads them (input(), store())
// and hears of every change that alters the sample page through onChanged (a new theme through
// onThemeChanged instead, so the dialog can copy the theme's images first). Choosing another
// photo size changes no page, so it tells nobody. Enter and Esc do nothing here.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/colour_button.h"
#include "generator/preview_page.h"
#include "winui/dialog.h"

class CPreviewToolboxDlg : public winui::CDialog {
public:
    CPreviewToolboxDlg();
    ~CPreviewToolboxDlg() override;

    // Creates the panel as a child of the preview dialog (hidden until shown).
    bool create(HWND parent);
    // Fills every control from the gallery. rows and columns are first brought into 1..100, in
    // the gallery itself. The unit list is filled apart (fillUnits), as the preview does it later.
    void setUp(GallerySettings& gallery, const std::vector<std::string>& themes);
    void fillUnits(int32_t albumWidthUnit);

    std::string themeName() const;
    // Selects the theme list's entry of that name; false when there is none.
    bool selectTheme(const std::string& name);
    // The sample page's values: the panel's over the gallery's texts and home link.
    PreviewInput input(const GallerySettings& gallery) const;
    // Everything the panel shows, into the gallery (the preview's OK).
    void store(GallerySettings& gallery) const;
    int spinPosition(int spinId) const;

    std::function<void()> onChanged;
    std::function<void()> onThemeChanged;

protected:
    const winui::MessageMapBase* messageMap() const override;

private:
    struct ColourField {
        int id;
        int32_t GallerySettings::*field;
    };
    static const std::array<ColourField, 11> kColourFields;

    bool onInitDialog();
    void onNothing() {}
    void onThemeSelected();
    void onUnitSelected();
    void onNumberChanged();
    LRESULT onColourConfirmed(WPARAM, LPARAM);
    LRESULT onVerticalScroll(WPARAM request, LPARAM);
    void changed() const;

    std::array<std::unique_ptr<CColourButton>, 11> colours_;
    int scrollRange_ = 0;  // steps of kScrollStep pixels
    int scrollPosition_ = 0;
};
