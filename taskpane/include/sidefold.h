#pragma once
/* Sidefold.dll: a collapsible task pane for any Win32 host.

   ABOUT
   A bar (window class "CollapseXPStyleBar32") stacks groups; each group is a clickable header
   ("CollapsibleHeader32") above a dialog made from the host's own template. The bar runs on a
   user-interface thread of its own whose input is attached to the host's thread. Every message
   of a group's dialog comes back to the host: to the group's callback, or to its owner window
   as SIDEFOLD_MSG_FORWARDED.

   USAGE
   The library exports functions by ordinal only; a host binds them with
   GetProcAddress(module, MAKEINTRESOURCEA(SIDEFOLD_ORDINAL_...)) or an import library built
   from ordinals. The interface is ANSI: titles and names are zero-terminated char strings in
   the system's ANSI code page.

   Results are plain integers (1 success, 0 failure) and null handles; nothing throws.

   RECORDS
   Every record keeps its documented field order with natural types. On 32-bit Windows the
   layout is byte for byte the documented one (checked below). On 64-bit Windows handles,
   pointers, WPARAM and LPARAM fields are 8 bytes and naturally aligned, every other field
   stays 32-bit, and a size field that the caller fills holds sizeof(record) on that target. */

#include <windows.h>

#include <commctrl.h>

/* A resource script may include this header for the style and message names alone. */
#ifndef RC_INVOKED
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif
#endif

/* ---- Exports, by ordinal --------------------------------------------------------------- */

#define SIDEFOLD_ORDINAL_PROBE 1         /* int (void): always 1 */
#define SIDEFOLD_ORDINAL_NOTHING 2       /* void (void): does nothing */
#define SIDEFOLD_ORDINAL_IMAGE_LISTS 4   /* SidefoldImageListsProc */
#define SIDEFOLD_ORDINAL_FILL_THEME 7    /* SidefoldFillThemeProc */
#define SIDEFOLD_ORDINAL_RELEASE_THEME 8 /* SidefoldReleaseThemeProc */
#define SIDEFOLD_ORDINAL_CREATE_BAR 9    /* SidefoldCreateBarProc */
#define SIDEFOLD_ORDINAL_DESTROY_BAR 10  /* SidefoldDestroyBarProc */
#define SIDEFOLD_ORDINAL_TEST_HOOKS 100  /* SidefoldSetTestHooksProc: for test hosts only */

#ifndef RC_INVOKED
struct SidefoldTheme;

typedef int(WINAPI* SidefoldProbeProc)(void);
typedef void(WINAPI* SidefoldNothingProc)(void);
/* Image lists from a 24-bit bitmap strip of `module`: the returned list (owned by the caller)
   has `count` images of imageWidth x height; pixels of `mask` colour are transparent. The
   optional disabled list is grey, the optional dimmed list darkened to 80 %. count is
   required; height, disabled and dimmed may be null. Null when the strip is unusable. */
typedef HIMAGELIST(WINAPI* SidefoldImageListsProc)(HINSTANCE module, UINT bitmapId, int imageWidth, COLORREF mask,
                                                   int* count, int* height, HIMAGELIST* disabled, HIMAGELIST* dimmed);
/* Fills a theme record whose size field is sizeof(SidefoldTheme); 0 (record untouched) when it
   is not. With namesOnly set the shell style file is not opened: the record gets the system
   look with the three names filled. */
typedef int(WINAPI* SidefoldFillThemeProc)(struct SidefoldTheme* theme, int namesOnly);
/* Deletes every bitmap held in a theme record; the fields are left as they are. */
typedef void(WINAPI* SidefoldReleaseThemeProc)(struct SidefoldTheme* theme);
/* Creates a bar on a thread of its own as a child of `parent`; null on failure. The calling
   thread keeps dispatching its parent's messages while the bar starts. */
typedef HWND(WINAPI* SidefoldCreateBarProc)(HWND parent, DWORD style, DWORD exStyle, int x, int y, int cx, int cy);
/* Destroys a bar made by ordinal 9 and waits for its thread, dispatching the parent's messages
   meanwhile. A window that is not a bar is destroyed directly. */
typedef BOOL(WINAPI* SidefoldDestroyBarProc)(HWND bar);

/* For test hosts only: what the library otherwise takes from the system, set by the host's own
   code (nothing outside the process can), before its first bar or between bars. Each call
   replaces the whole set. */
typedef BOOL(WINAPI* SidefoldPlaySoundHook)(LPCSTR file, HMODULE module, DWORD flags);
typedef struct SidefoldTestHooks {
    UINT cbSize;                     /* sizeof(SidefoldTestHooks) */
    int animationPauseMs;            /* between animation frames, 0 to 999; -1: the usual 20 ms */
    UINT forwardTimeoutMs;           /* bound of a forwarded message's send, under 100 000; 0: 100 000 */
    int dpi;                         /* the DPI every window is taken to have, 48 to 768; 0: its own */
    SidefoldPlaySoundHook playSound; /* plays a header's sound in place of winmm; null: winmm */
} SidefoldTestHooks;
/* 0 (nothing changed) when the record's size or a value is out of range. */
typedef BOOL(WINAPI* SidefoldSetTestHooksProc)(const SidefoldTestHooks* hooks);
#endif

/* ---- Window classes (registered while a process has the library loaded) ----------------- */

#define SIDEFOLD_CLASS_BAR "CollapseXPStyleBar32"
#define SIDEFOLD_CLASS_LINK "TaskLink32"
#define SIDEFOLD_CLASS_HEADER "CollapsibleHeader32"
#define SIDEFOLD_CLASS_LABEL "CBStatic32"
#define SIDEFOLD_CLASS_BUTTON "CBButton32"

/* ---- Messages the bar accepts ----------------------------------------------------------- */
/* By index: wParam is the group's zero-based position in the stack. By id: wParam is the
   group id of its description. Every one answers 0 when no group matches. */

#define SIDEFOLD_BAR_INTERACTIVE (WM_USER + 1)     /* wp 0 inert / 1 interactive; -> 1 */
#define SIDEFOLD_BAR_ADD_GROUP (WM_USER + 3)       /* wp insert position (-1 end), lp description*; -> 1/0 */
#define SIDEFOLD_BAR_REMOVE_AT (WM_USER + 4)       /* wp index; -> 1/0 */
#define SIDEFOLD_BAR_EXPAND_AT (WM_USER + 5)       /* wp index, lp animation bits; -> 1/0 */
#define SIDEFOLD_BAR_COLLAPSE_AT (WM_USER + 6)     /* wp index, lp animation bits; -> 1/0 */
#define SIDEFOLD_BAR_REMOVE_ID (WM_USER + 7)       /* wp id; -> 1/0 */
#define SIDEFOLD_BAR_EXPAND_ID (WM_USER + 8)       /* wp id, lp animation bits; -> 1/0 */
#define SIDEFOLD_BAR_COLLAPSE_ID (WM_USER + 9)     /* wp id, lp animation bits; -> 1/0 */
#define SIDEFOLD_BAR_HEADER_AT (WM_USER + 10)      /* wp index; -> header HWND or 0 */
#define SIDEFOLD_BAR_DIALOG_AT (WM_USER + 11)      /* wp index; -> dialog HWND or 0 */
#define SIDEFOLD_BAR_HEADER_ID (WM_USER + 12)      /* wp id; -> header HWND or 0 */
#define SIDEFOLD_BAR_DIALOG_ID (WM_USER + 13)      /* wp id; -> dialog HWND or 0 */
#define SIDEFOLD_BAR_RESERVED_2 (WM_USER + 2)      /* always 0 */
#define SIDEFOLD_BAR_RESERVED_14 (WM_USER + 14)    /* always 0 */
#define SIDEFOLD_BAR_RESERVED_15 (WM_USER + 15)    /* always 0 */
#define SIDEFOLD_BAR_RESERVED_16 (WM_USER + 16)    /* always 0 */
#define SIDEFOLD_BAR_DESCRIPTION_AT (WM_USER + 17) /* wp index, lp description* (size set); -> 1/0 */
#define SIDEFOLD_BAR_DESCRIPTION_ID (WM_USER + 18) /* wp id, lp description* (size set); -> 1/0 */
#define SIDEFOLD_BAR_SHOW_AT (WM_USER + 19)        /* wp index: scroll the group into view; -> 1/0 */
#define SIDEFOLD_BAR_SHOW_ID (WM_USER + 20)        /* wp id: scroll the group into view; -> 1/0 */

/* ---- CollapsibleHeader32 ------------------------------------------------------------------ */
/* Style bits (low word). The bar interprets 0x0001, 0x0080 and 0x0200 to 0x2000 of a group's
   header style too; it adds SIDEFOLD_HEADER_GROUP and removes SIDEFOLD_HEADER_EXPANDED. */
#define SIDEFOLD_HEADER_TOOLTIP 0x0001           /* a tooltip (its text asked from the parent) */
#define SIDEFOLD_HEADER_FIXED_SIZE 0x0002        /* keeps its client size instead of sizing itself */
#define SIDEFOLD_HEADER_NO_RELAY_PRESS 0x0004    /* mouse buttons are not relayed to the tooltip */
#define SIDEFOLD_HEADER_FOCUS_RECT 0x0008        /* focus rectangle around the text when focused */
#define SIDEFOLD_HEADER_NO_FOCUS_ON_CLICK 0x0010 /* a click does not take the focus */
#define SIDEFOLD_HEADER_ELLIPSIS 0x0020          /* single line, ellipsis at the end */
#define SIDEFOLD_HEADER_WRAP 0x0040              /* word wrap */
#define SIDEFOLD_HEADER_SOUNDS 0x0080            /* plays the maximize / minimize sounds */
#define SIDEFOLD_HEADER_GROUP 0x0100             /* a group header (added by the bar) */
#define SIDEFOLD_HEADER_MAIN 0x0200              /* the main (emphasised) group */
#define SIDEFOLD_HEADER_OWNER_PAINTS 0x0400      /* the owner may paint the group's dialog */
#define SIDEFOLD_HEADER_EXPANDED 0x0800          /* expanded (a group: as soon as added) */
/* Animation bits, in the header style and in lParam of the bar's expand and collapse messages. */
#define SIDEFOLD_ANIMATE_STRETCH 0x1000 /* stretch and fade */
#define SIDEFOLD_ANIMATE_ROLL 0x2000    /* roll */

#define SIDEFOLD_HEADER_SET_LOOK (WM_USER + 1)     /* lp SidefoldHeaderLook*, unreadable = defaults; -> 1/0 */
#define SIDEFOLD_HEADER_GET_LOOK (WM_USER + 2)     /* wp sizeof(SidefoldHeaderLook), lp SidefoldHeaderLook*; -> 1/0 */
#define SIDEFOLD_HEADER_GET_TOOLTIP (WM_USER + 3)  /* -> the tooltip HWND */
#define SIDEFOLD_HEADER_SET_EXPANDED (WM_USER + 4) /* wp expanded flag, lp 0 repaint / 1 not; -> 0 */
#define SIDEFOLD_HEADER_IS_EXPANDED (WM_USER + 5)  /* -> expanded flag */
#define SIDEFOLD_HEADER_SET_INTERACTIVE (WM_USER + 6) /* wp 1 interactive / 0 inert; -> 0 */
#define SIDEFOLD_HEADER_SET_INDENT (WM_USER + 7)      /* wp text indent without an icon; -> 1 */
#define SIDEFOLD_HEADER_SET_ICON (WM_USER + 8)        /* wp HIMAGELIST, lp image index; -> 1 */
/* WM_COMMAND codes (high word) a header sends its parent when the user toggles it. */
#define SIDEFOLD_HEADER_NOW_EXPANDED 0xD8EE
#define SIDEFOLD_HEADER_NOW_COLLAPSED 0xD8ED

/* ---- TaskLink32 ---------------------------------------------------------------------------- */
#define SIDEFOLD_LINK_TOOLTIP 0x0001           /* a tooltip (text asked from the parent) */
#define SIDEFOLD_LINK_FOCUS_RECT 0x0002        /* focus rectangle around the text when focused */
#define SIDEFOLD_LINK_SOUND 0x0004             /* plays the navigation sound on a click */
#define SIDEFOLD_LINK_NO_FOCUS_ON_CLICK 0x0008 /* a click does not take the focus */
#define SIDEFOLD_LINK_FILL 0x0010              /* keeps its size; text placed inside it */
#define SIDEFOLD_LINK_NO_RELAY_PRESS 0x0020    /* mouse buttons are not relayed to the tooltip */
#define SIDEFOLD_LINK_BOLD 0x0040              /* bold text */
#define SIDEFOLD_LINK_UNDERLINE_NORMAL 0x0080  /* underlined in the normal state */
#define SIDEFOLD_LINK_UNDERLINE_HOT 0x0100     /* underlined when hot or pressed */
#define SIDEFOLD_LINK_ELLIPSIS 0x0200          /* single line, ellipsis at the end */
#define SIDEFOLD_LINK_WRAP 0x0400              /* word wrap */
#define SIDEFOLD_LINK_ICON_RIGHT 0x0800        /* the icon at the right */
#define SIDEFOLD_LINK_ALIGN_RIGHT 0x1000       /* text box at the right */
#define SIDEFOLD_LINK_ALIGN_CENTRE 0x2000      /* text box centred */
#define SIDEFOLD_LINK_ALIGN_TOP 0x4000         /* with FILL: text at the top */
#define SIDEFOLD_LINK_ALIGN_BOTTOM 0x8000      /* with FILL: text at the bottom */

#define SIDEFOLD_LINK_SET_FONT (WM_USER + 1)        /* wp HFONT (0 = default GUI font); -> 1 */
#define SIDEFOLD_LINK_SET_COLOURS (WM_USER + 2)     /* wp COLORREF[5]*, unreadable = system colours; -> 1 */
#define SIDEFOLD_LINK_SET_IMAGES (WM_USER + 3)      /* wp image index, lp SidefoldImageListBlock*; -> 1/0 */
#define SIDEFOLD_LINK_GET_TOOLTIP (WM_USER + 4)     /* -> the tooltip HWND */
#define SIDEFOLD_LINK_SET_CURSOR (WM_USER + 6)      /* wp HCURSOR (0 = the hand); -> 1 */
#define SIDEFOLD_LINK_SET_ICON_GAP (WM_USER + 7)    /* wp gap between icon and text; -> 1 */
#define SIDEFOLD_LINK_GET_ICON_GAP (WM_USER + 8)    /* -> the gap */
#define SIDEFOLD_LINK_SET_INTERACTIVE (WM_USER + 9) /* wp 1 interactive / 0 inert; -> 0 */
/* The colours of SIDEFOLD_LINK_SET_COLOURS, in this order. */
#define SIDEFOLD_LINK_COLOUR_BACKGROUND 0
#define SIDEFOLD_LINK_COLOUR_NORMAL 1
#define SIDEFOLD_LINK_COLOUR_HOT 2
#define SIDEFOLD_LINK_COLOUR_PRESSED 3
#define SIDEFOLD_LINK_COLOUR_DISABLED 4

/* ---- CBButton32 ---------------------------------------------------------------------------- */
#define SIDEFOLD_BUTTON_KIND_MASK 0x0070
#define SIDEFOLD_BUTTON_PUSH 0x0000
#define SIDEFOLD_BUTTON_DEFAULT_PUSH 0x0010
#define SIDEFOLD_BUTTON_CHECK 0x0020
#define SIDEFOLD_BUTTON_TOGGLE_CHECK 0x0030 /* flips 0 / 1 when clicked */
#define SIDEFOLD_BUTTON_RADIO 0x0040
#define SIDEFOLD_BUTTON_THREE_STATE 0x0050
#define SIDEFOLD_BUTTON_STEP_THREE_STATE 0x0060 /* steps 0, 1, 2, 0 when clicked */
#define SIDEFOLD_BUTTON_TOGGLE_RADIO 0x0070     /* flips 0 / 1 when clicked */
#define SIDEFOLD_BUTTON_ELLIPSIS 0x0002
#define SIDEFOLD_BUTTON_WRAP 0x0004
#define SIDEFOLD_BUTTON_GLYPH_RIGHT 0x0008
#define SIDEFOLD_BUTTON_FOCUS_RECT 0x0080
#define SIDEFOLD_BUTTON_NO_FOCUS_ON_CLICK 0x0100
#define SIDEFOLD_BUTTON_FLAT 0x0800 /* system look only */
#define SIDEFOLD_BUTTON_ALIGN_LEFT 0x1000
#define SIDEFOLD_BUTTON_ALIGN_RIGHT 0x2000
#define SIDEFOLD_BUTTON_ALIGN_CENTRE 0x4000

#define SIDEFOLD_BUTTON_GET_CHECK (WM_USER + 2) /* -> check state 0, 1, 2 (as BM_GETCHECK) */
#define SIDEFOLD_BUTTON_SET_CHECK (WM_USER + 3) /* wp check state & 3 (as BM_SETCHECK); -> 0 */
#define SIDEFOLD_BUTTON_GET_STATE (WM_USER + 4) /* -> check state | PRESSED | FOCUSED */
#define SIDEFOLD_BUTTON_HOLD_DOWN (WM_USER + 5) /* wp 1 press (focus, capture) / 0 let go; -> 0 */
#define SIDEFOLD_BUTTON_SET_STYLE (WM_USER + 6) /* wp new window style, lp repaint flag; -> 0 */
#define SIDEFOLD_BUTTON_CLICK (WM_USER + 7)     /* clicks it (as BM_CLICK); -> 0 */
#define SIDEFOLD_BUTTON_SET_VALUE (WM_USER + 8) /* lp a caller value; -> 1 */
#define SIDEFOLD_BUTTON_STATE_PRESSED 4
#define SIDEFOLD_BUTTON_STATE_FOCUSED 8
/* WM_COMMAND codes (high word) a button sends its parent. */
#define SIDEFOLD_BUTTON_CLICKED 0
#define SIDEFOLD_BUTTON_DOUBLE_CLICKED 3

/* ---- CBStatic32 ---------------------------------------------------------------------------- */
#define SIDEFOLD_LABEL_BOLD 0x0002
#define SIDEFOLD_LABEL_UNDERLINE 0x0004
#define SIDEFOLD_LABEL_ITALIC 0x0008
#define SIDEFOLD_LABEL_END_ELLIPSIS 0x0010
#define SIDEFOLD_LABEL_WORD_ELLIPSIS 0x0020
#define SIDEFOLD_LABEL_PATH_ELLIPSIS 0x0040
#define SIDEFOLD_LABEL_WRAP 0x0080
#define SIDEFOLD_LABEL_CENTRE 0x0100
#define SIDEFOLD_LABEL_RIGHT 0x0200
#define SIDEFOLD_LABEL_TOP 0x0400
#define SIDEFOLD_LABEL_BOTTOM 0x0800
#define SIDEFOLD_LABEL_NO_PREFIX 0x1000
#define SIDEFOLD_LABEL_OWNER_DRAW 0x2000  /* WM_DRAWITEM to the parent instead of text */
#define SIDEFOLD_LABEL_NOTIFY 0x4000      /* WM_COMMAND to the parent (codes below) */
#define SIDEFOLD_LABEL_EDIT_BREAKS 0x8000 /* with WRAP: edit-control line breaking */

#define SIDEFOLD_LABEL_SET_VALUE (WM_USER + 2) /* lp a caller value (owner drawing's item data); -> 1 */
#define SIDEFOLD_LABEL_GET_VALUE (WM_USER + 3) /* -> the caller value */
/* WM_COMMAND codes (high word) of a label with SIDEFOLD_LABEL_NOTIFY. */
#define SIDEFOLD_LABEL_CLICKED 0
#define SIDEFOLD_LABEL_DOUBLE_CLICKED 1
#define SIDEFOLD_LABEL_ENABLED 2
#define SIDEFOLD_LABEL_DISABLED 3

/* ---- Forwarding ---------------------------------------------------------------------------- */
/* Sent to the owner: wParam SIDEFOLD_FORWARDED_TAG, lParam SidefoldForwardedMessage*, valid only
   during the call; the owner's result goes back to the dialog. An owner that replies early
   (ReplyMessage) copies what it needs from the record first. */
#define SIDEFOLD_MSG_FORWARDED (WM_USER + 0x1FF)
/* A protocol tag that hosts check, the same on every target (not a size). */
#define SIDEFOLD_FORWARDED_TAG 20

/* Forwarded from a group dialog (owner painting, header style 0x0400): wParam
   SidefoldPaintRequest*; a non-zero answer means the owner has painted. */
#define SIDEFOLD_MSG_PAINT_BACKGROUND (WM_USER + 2)
/* Posted to a group's dialog (and forwarded) when the group opened or shut: WM_NOTIFY with
   idFrom the group id and one of these codes. */
#define SIDEFOLD_NOTIFY_EXPANDED 0
#define SIDEFOLD_NOTIFY_COLLAPSED 1

/* Tooltip text requests (WM_NOTIFY, lParam NMTTDISPINFOA*): from a task link to its dialog, and
   from a group header, forwarded with idFrom replaced by the group id. */
#define SIDEFOLD_NOTIFY_LINK_TOOLTIP (-10000)
#define SIDEFOLD_NOTIFY_HEADER_TOOLTIP (-10001)

/* Any library control: wParam int[2] out (width, height), lParam the width to measure at;
   -> 1/0. The control itself is left as it is. */
#define SIDEFOLD_MSG_MEASURE 0x1400

#ifndef RC_INVOKED
/* ---- Records -------------------------------------------------------------------------- */

typedef LRESULT(CALLBACK* SidefoldGroupCallback)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* A group as the host describes it (SIDEFOLD_BAR_ADD_GROUP). 64 bytes on 32-bit Windows. */
typedef struct SidefoldGroupDescription {
    DWORD size;                     /* sizeof(SidefoldGroupDescription), else the add fails */
    int groupId;                    /* the host's number; handed back in every forwarded message */
    DWORD reserved0;                /* 0 */
    HINSTANCE templateModule;       /* module whose resources hold the dialog template */
    DWORD templateId;               /* integer resource name of the dialog template */
    SidefoldGroupCallback callback; /* optional: receives the dialog's messages instead of the owner */
    HWND owner;                     /* gets SIDEFOLD_MSG_FORWARDED when no callback; 0 = none */
    DWORD headerStyle;              /* SIDEFOLD_HEADER_* and header window bits */
    DWORD headerExStyle;            /* extended window style of the header */
    LPCSTR title;                   /* header text, copied at once */
    HIMAGELIST headerImages;        /* header icon list (the host keeps it alive), or 0 */
    int headerImageIndex;           /* index into headerImages */
    DWORD reserved1[4];             /* 0 */
} SidefoldGroupDescription;

/* What the owner receives with SIDEFOLD_MSG_FORWARDED. */
typedef struct SidefoldForwardedMessage {
    HWND dialog;   /* the group's dialog */
    int groupId;   /* the description's group id */
    UINT message;  /* the dialog's message */
    WPARAM wParam; /* its wParam */
    LPARAM lParam; /* its lParam (WM_INITDIALOG: the library's group record, opaque) */
} SidefoldForwardedMessage;

/* Icons of a task link, by state (SIDEFOLD_LINK_SET_IMAGES). */
typedef struct SidefoldImageListBlock {
    HIMAGELIST normal;   /* normal state */
    HIMAGELIST hot;      /* hot and pressed states */
    HIMAGELIST disabled; /* disabled state */
} SidefoldImageListBlock;

/* Owner painting of a group dialog's background (SIDEFOLD_MSG_PAINT_BACKGROUND). */
typedef struct SidefoldPaintRequest {
    DWORD size;          /* sizeof(SidefoldPaintRequest) */
    HDC dc;              /* where to paint */
    int width;           /* dialog width */
    int height;          /* dialog height */
    COLORREF border;     /* task-list border colour */
    const RECT* toPaint; /* the part to paint, or null for the whole dialog */
} SidefoldPaintRequest;

/* Look of a header (SIDEFOLD_HEADER_SET_LOOK, SIDEFOLD_HEADER_GET_LOOK). */
typedef struct SidefoldHeaderLook {
    DWORD size;            /* sizeof(SidefoldHeaderLook) */
    int fontHeight;        /* 0 = the stock default GUI font */
    char fontFace[260];    /* font face name */
    int normalWeight;      /* font weight, normal state */
    DWORD normalUnderline; /* low byte */
    DWORD normalItalic;    /* low byte */
    int hotWeight;         /* font weight, hot state */
    DWORD hotUnderline;    /* low byte */
    DWORD hotItalic;       /* low byte */
    COLORREF text;         /* text colour */
    COLORREF hotText;      /* hot and pressed text colour */
    int alignment;         /* 0 left, 1 centre, 2 right */
    int paddingTop;        /* padding above the text */
    int paddingBottom;     /* padding below the text */
    int paddingLeft;       /* text indent without icon or indent */
    int glyphGap;          /* gap between text and glyph */
    int paddingRight;      /* right of the glyph */
    HCURSOR cursor;        /* cursor over the header */
    HIMAGELIST images;     /* icon list */
    int imageIndex;        /* icon index */
} SidefoldHeaderLook;

/* Colours, fonts, paddings and glyphs of the current visual style (ordinals 7 and 8). Colours
   are COLORREF with an alpha byte on top when the style gave one; rectangles are left, top,
   right, bottom; glyphs are 32-bit DIB sections with premultiplied alpha, three for an expanded
   group (normal, hot, pressed) then three for a collapsed one. Main-group values serve the
   group whose header style has SIDEFOLD_HEADER_MAIN. */
typedef struct SidefoldTheme {
    DWORD size;                 /* sizeof(SidefoldTheme), set by the caller */
    int systemLook;             /* 1 when filled from system colours */
    DWORD reserved;             /* 0 */
    int shellStyleOpened;       /* 1 once the shell style file could be opened */
    char styleFileName[260];    /* visual style file, environment expanded */
    char colourSchemeName[260]; /* its colour scheme */
    char shellStylePath[260];   /* the shell style file built from both */
    int triangleWidth;          /* size of the triangle glyphs */
    int triangleHeight;
    HBITMAP triangleGlyphs[6]; /* plain-header glyphs of the system look */
    COLORREF paneBackground;   /* first gradient colour */
    COLORREF paneBackground2;  /* second gradient colour */
    int paneGradientExponent;  /* 0 = solid */
    RECT panePadding;
    RECT paneBorderThickness;
    COLORREF paneBorderColour;
    RECT linkTitlePadding; /* normal group */
    RECT actionTaskMargin;
    RECT destinationTaskMargin;
    COLORREF linkColour;
    COLORREF linkHoverColour;
    RECT mainLinkTitlePadding; /* main group */
    RECT mainActionTaskMargin;
    RECT mainDestinationTaskMargin;
    COLORREF mainLinkColour;
    COLORREF mainLinkHoverColour;
    char headerFontFace[260]; /* normal group header */
    int headerFontHeight;     /* logical units; negative = character height */
    int groupMargin;
    HBITMAP headerBackground;
    int headerBackgroundWidth;
    int headerBackgroundHeight;
    COLORREF headerText;
    COLORREF headerHoverText;
    int headerAlignment; /* left 0x01 centre 0x02 right 0x04 top 0x10 middle 0x20 bottom 0x40 */
    int headerFontWeight;
    RECT headerPadding;
    RECT headerBorderThickness;
    COLORREF headerBorderColour;
    int arrowWidth; /* size of the arrow glyphs */
    int arrowHeight;
    HBITMAP arrowGlyphs[6];
    COLORREF taskListBackground;
    RECT taskListBorderThickness;
    COLORREF taskListBorderColour;
    RECT taskListPadding;
    char mainHeaderFontFace[260]; /* main group header */
    int mainHeaderFontHeight;
    int mainGroupMargin;
    HBITMAP mainHeaderBackground;
    int mainHeaderBackgroundWidth;
    int mainHeaderBackgroundHeight;
    COLORREF mainHeaderText;
    COLORREF mainHeaderHoverText;
    int mainHeaderAlignment;
    int mainHeaderFontWeight;
    RECT mainHeaderPadding;
    RECT mainHeaderBorderThickness;
    COLORREF mainHeaderBorderColour;
    int mainArrowWidth;
    int mainArrowHeight;
    HBITMAP mainArrowGlyphs[6];
    COLORREF mainTaskListBackground;
    int mainWatermarkAlignment;
    RECT mainTaskListBorderThickness;
    COLORREF mainTaskListBorderColour;
    RECT mainTaskListPadding;
} SidefoldTheme;

#ifdef __cplusplus
}
#endif

/* ---- The documented layouts ----------------------------------------------------------- */

#ifdef __cplusplus
#define SIDEFOLD_ASSERT(c, m) static_assert(c, m)
#else
#define SIDEFOLD_ASSERT(c, m) _Static_assert(c, m)
#endif
#define SIDEFOLD_AT(T, f, n) SIDEFOLD_ASSERT(offsetof(T, f) == n, #T "." #f " at " #n)

#if defined(_WIN64)
SIDEFOLD_ASSERT(sizeof(SidefoldGroupDescription) == 96, "group description");
SIDEFOLD_ASSERT(sizeof(SidefoldForwardedMessage) == 32, "forwarded message");
SIDEFOLD_ASSERT(sizeof(SidefoldImageListBlock) == 24, "image-list block");
SIDEFOLD_ASSERT(sizeof(SidefoldPaintRequest) == 40, "paint request");
SIDEFOLD_ASSERT(sizeof(SidefoldHeaderLook) == 352, "header look");
SIDEFOLD_ASSERT(sizeof(SidefoldTheme) == 1904, "theme record");
#else
SIDEFOLD_ASSERT(sizeof(SidefoldGroupDescription) == 64, "group description");
SIDEFOLD_AT(SidefoldGroupDescription, groupId, 4);
SIDEFOLD_AT(SidefoldGroupDescription, reserved0, 8);
SIDEFOLD_AT(SidefoldGroupDescription, templateModule, 12);
SIDEFOLD_AT(SidefoldGroupDescription, templateId, 16);
SIDEFOLD_AT(SidefoldGroupDescription, callback, 20);
SIDEFOLD_AT(SidefoldGroupDescription, owner, 24);
SIDEFOLD_AT(SidefoldGroupDescription, headerStyle, 28);
SIDEFOLD_AT(SidefoldGroupDescription, headerExStyle, 32);
SIDEFOLD_AT(SidefoldGroupDescription, title, 36);
SIDEFOLD_AT(SidefoldGroupDescription, headerImages, 40);
SIDEFOLD_AT(SidefoldGroupDescription, headerImageIndex, 44);
SIDEFOLD_AT(SidefoldGroupDescription, reserved1, 48);

SIDEFOLD_ASSERT(sizeof(SidefoldForwardedMessage) == 20, "forwarded message");
SIDEFOLD_AT(SidefoldForwardedMessage, groupId, 4);
SIDEFOLD_AT(SidefoldForwardedMessage, message, 8);
SIDEFOLD_AT(SidefoldForwardedMessage, wParam, 12);
SIDEFOLD_AT(SidefoldForwardedMessage, lParam, 16);

SIDEFOLD_ASSERT(sizeof(SidefoldImageListBlock) == 12, "image-list block");
SIDEFOLD_AT(SidefoldImageListBlock, hot, 4);
SIDEFOLD_AT(SidefoldImageListBlock, disabled, 8);

SIDEFOLD_ASSERT(sizeof(SidefoldPaintRequest) == 24, "paint request");
SIDEFOLD_AT(SidefoldPaintRequest, dc, 4);
SIDEFOLD_AT(SidefoldPaintRequest, width, 8);
SIDEFOLD_AT(SidefoldPaintRequest, height, 12);
SIDEFOLD_AT(SidefoldPaintRequest, border, 16);
SIDEFOLD_AT(SidefoldPaintRequest, toPaint, 20);

SIDEFOLD_ASSERT(sizeof(SidefoldHeaderLook) == 336, "header look");
SIDEFOLD_AT(SidefoldHeaderLook, fontHeight, 4);
SIDEFOLD_AT(SidefoldHeaderLook, fontFace, 8);
SIDEFOLD_AT(SidefoldHeaderLook, normalWeight, 268);
SIDEFOLD_AT(SidefoldHeaderLook, normalUnderline, 272);
SIDEFOLD_AT(SidefoldHeaderLook, normalItalic, 276);
SIDEFOLD_AT(SidefoldHeaderLook, hotWeight, 280);
SIDEFOLD_AT(SidefoldHeaderLook, hotUnderline, 284);
SIDEFOLD_AT(SidefoldHeaderLook, hotItalic, 288);
SIDEFOLD_AT(SidefoldHeaderLook, text, 292);
SIDEFOLD_AT(SidefoldHeaderLook, hotText, 296);
SIDEFOLD_AT(SidefoldHeaderLook, alignment, 300);
SIDEFOLD_AT(SidefoldHeaderLook, paddingTop, 304);
SIDEFOLD_AT(SidefoldHeaderLook, paddingBottom, 308);
SIDEFOLD_AT(SidefoldHeaderLook, paddingLeft, 312);
SIDEFOLD_AT(SidefoldHeaderLook, glyphGap, 316);
SIDEFOLD_AT(SidefoldHeaderLook, paddingRight, 320);
SIDEFOLD_AT(SidefoldHeaderLook, cursor, 324);
SIDEFOLD_AT(SidefoldHeaderLook, images, 328);
SIDEFOLD_AT(SidefoldHeaderLook, imageIndex, 332);

SIDEFOLD_ASSERT(sizeof(SidefoldTheme) == 1800, "theme record");
SIDEFOLD_AT(SidefoldTheme, systemLook, 4);
SIDEFOLD_AT(SidefoldTheme, reserved, 8);
SIDEFOLD_AT(SidefoldTheme, shellStyleOpened, 12);
SIDEFOLD_AT(SidefoldTheme, styleFileName, 16);
SIDEFOLD_AT(SidefoldTheme, colourSchemeName, 276);
SIDEFOLD_AT(SidefoldTheme, shellStylePath, 536);
SIDEFOLD_AT(SidefoldTheme, triangleWidth, 796);
SIDEFOLD_AT(SidefoldTheme, triangleHeight, 800);
SIDEFOLD_AT(SidefoldTheme, triangleGlyphs, 804);
SIDEFOLD_AT(SidefoldTheme, paneBackground, 828);
SIDEFOLD_AT(SidefoldTheme, paneBackground2, 832);
SIDEFOLD_AT(SidefoldTheme, paneGradientExponent, 836);
SIDEFOLD_AT(SidefoldTheme, panePadding, 840);
SIDEFOLD_AT(SidefoldTheme, paneBorderThickness, 856);
SIDEFOLD_AT(SidefoldTheme, paneBorderColour, 872);
SIDEFOLD_AT(SidefoldTheme, linkTitlePadding, 876);
SIDEFOLD_AT(SidefoldTheme, actionTaskMargin, 892);
SIDEFOLD_AT(SidefoldTheme, destinationTaskMargin, 908);
SIDEFOLD_AT(SidefoldTheme, linkColour, 924);
SIDEFOLD_AT(SidefoldTheme, linkHoverColour, 928);
SIDEFOLD_AT(SidefoldTheme, mainLinkTitlePadding, 932);
SIDEFOLD_AT(SidefoldTheme, mainActionTaskMargin, 948);
SIDEFOLD_AT(SidefoldTheme, mainDestinationTaskMargin, 964);
SIDEFOLD_AT(SidefoldTheme, mainLinkColour, 980);
SIDEFOLD_AT(SidefoldTheme, mainLinkHoverColour, 984);
SIDEFOLD_AT(SidefoldTheme, headerFontFace, 988);
SIDEFOLD_AT(SidefoldTheme, headerFontHeight, 1248);
SIDEFOLD_AT(SidefoldTheme, groupMargin, 1252);
SIDEFOLD_AT(SidefoldTheme, headerBackground, 1256);
SIDEFOLD_AT(SidefoldTheme, headerBackgroundWidth, 1260);
SIDEFOLD_AT(SidefoldTheme, headerBackgroundHeight, 1264);
SIDEFOLD_AT(SidefoldTheme, headerText, 1268);
SIDEFOLD_AT(SidefoldTheme, headerHoverText, 1272);
SIDEFOLD_AT(SidefoldTheme, headerAlignment, 1276);
SIDEFOLD_AT(SidefoldTheme, headerFontWeight, 1280);
SIDEFOLD_AT(SidefoldTheme, headerPadding, 1284);
SIDEFOLD_AT(SidefoldTheme, headerBorderThickness, 1300);
SIDEFOLD_AT(SidefoldTheme, headerBorderColour, 1316);
SIDEFOLD_AT(SidefoldTheme, arrowWidth, 1320);
SIDEFOLD_AT(SidefoldTheme, arrowHeight, 1324);
SIDEFOLD_AT(SidefoldTheme, arrowGlyphs, 1328);
SIDEFOLD_AT(SidefoldTheme, taskListBackground, 1352);
SIDEFOLD_AT(SidefoldTheme, taskListBorderThickness, 1356);
SIDEFOLD_AT(SidefoldTheme, taskListBorderColour, 1372);
SIDEFOLD_AT(SidefoldTheme, taskListPadding, 1376);
SIDEFOLD_AT(SidefoldTheme, mainHeaderFontFace, 1392);
SIDEFOLD_AT(SidefoldTheme, mainHeaderFontHeight, 1652);
SIDEFOLD_AT(SidefoldTheme, mainGroupMargin, 1656);
SIDEFOLD_AT(SidefoldTheme, mainHeaderBackground, 1660);
SIDEFOLD_AT(SidefoldTheme, mainHeaderBackgroundWidth, 1664);
SIDEFOLD_AT(SidefoldTheme, mainHeaderBackgroundHeight, 1668);
SIDEFOLD_AT(SidefoldTheme, mainHeaderText, 1672);
SIDEFOLD_AT(SidefoldTheme, mainHeaderHoverText, 1676);
SIDEFOLD_AT(SidefoldTheme, mainHeaderAlignment, 1680);
SIDEFOLD_AT(SidefoldTheme, mainHeaderFontWeight, 1684);
SIDEFOLD_AT(SidefoldTheme, mainHeaderPadding, 1688);
SIDEFOLD_AT(SidefoldTheme, mainHeaderBorderThickness, 1704);
SIDEFOLD_AT(SidefoldTheme, mainHeaderBorderColour, 1720);
SIDEFOLD_AT(SidefoldTheme, mainArrowWidth, 1724);
SIDEFOLD_AT(SidefoldTheme, mainArrowHeight, 1728);
SIDEFOLD_AT(SidefoldTheme, mainArrowGlyphs, 1732);
SIDEFOLD_AT(SidefoldTheme, mainTaskListBackground, 1756);
SIDEFOLD_AT(SidefoldTheme, mainWatermarkAlignment, 1760);
SIDEFOLD_AT(SidefoldTheme, mainTaskListBorderThickness, 1764);
SIDEFOLD_AT(SidefoldTheme, mainTaskListBorderColour, 1780);
SIDEFOLD_AT(SidefoldTheme, mainTaskListPadding, 1784);
#endif

#undef SIDEFOLD_AT
#undef SIDEFOLD_ASSERT

#endif /* RC_INVOKED */
