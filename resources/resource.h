// Resource and command ids of Builder.exe, shared by Builder.rc and the program's code.
// Plain #defines, since the resource compiler reads this file too.
#pragma once

// --- The main window: menu, accelerators, toolbar and program icon -------------------------------
#define IDR_MAINFRAME 128

// --- Pictures -------------------------------------------------------------------------------------
#define IDB_MENU_IMAGES 131  // 16-pixel strip, mask colour 0x7D7C7B
#define IDB_TASK_IMAGES 138  // 48-pixel strip, mask colour magenta
// The same strips drawn at 1.5 and 2 times the size, for scaled displays
#define IDB_MENU_IMAGES_150 132  // 24-pixel cells
#define IDB_MENU_IMAGES_200 135  // 32-pixel cells
#define IDB_TASK_IMAGES_150 139  // 72-pixel cells
#define IDB_TASK_IMAGES_200 140  // 96-pixel cells
#define IDI_ALBUM 164
// Toolbar icons, 32 x 32 (and 48 and 64 for scaled displays; 16, 24 and 32 for menus)
#define IDI_TB_NEW 137
#define IDI_TB_OPEN 142
#define IDI_TB_SAVE 143
#define IDI_TB_ROTATE_RIGHT 146
#define IDI_TB_ROTATE_LEFT 147
#define IDI_TB_ADD_FOLDER 148
#define IDI_TB_ADD_IMAGES 149
#define IDI_TB_IMAGES_UP 150
#define IDI_TB_IMAGES_DOWN 151
#define IDI_TB_COMMENT 152
#define IDI_TB_REMOVE_IMAGES 153
#define IDI_TB_TITLE 154
#define IDI_TB_VIEW 155
#define IDI_TB_ADD_ALBUM 158
#define IDI_TB_EDIT_ALBUM 159
#define IDI_TB_COPY_ALBUM 160
#define IDI_TB_REMOVE_ALBUM 161
#define IDI_TB_ALBUM_UP 162
#define IDI_TB_ALBUM_DOWN 163

// --- Dialogs and their controls -----------------------------------------------------------------------
#define IDD_IMAGE_COMMENT 166
#define IDC_COMMENT_PICTURE 1051
#define IDC_COMMENT_TEXT 1052
#define IDC_COMMENT_PATH 1053

#define IDD_ALBUM 1041
#define IDC_ALBUM_TITLE 1070
#define IDC_ALBUM_CAPTION 1071
#define IDC_ALBUM_INSERT_LABEL 1072
#define IDC_ALBUM_AFTER_SELECTED 1073  // position value 0
#define IDC_ALBUM_TO_TOP 1074          // position value 1
#define IDC_ALBUM_TO_BOTTOM 1075       // position value 2

// The start dialog, shown once at start-up over its picture
#define IDD_START 167
#define IDR_START_PICTURE 32836      // "JPEG" resource
#define IDR_START_PICTURE_150 32837  // the same drawn 1.5 and 2 times as large
#define IDR_START_PICTURE_200 32838
#define IDC_START_WELCOME 1052
#define IDC_START_VERSION 1053
#define IDC_START_NEW_RADIO 1054
#define IDC_START_MODIFY_RADIO 1055
#define IDC_START_QUESTION 1056
#define IDC_START_NEW 1057
#define IDC_START_MODIFY 1058
#define IDC_START_BROWSE 1039
#define IDC_START_RECENT_TITLE 1059
#define IDC_START_RECENT1 1060
#define IDC_START_RECENT2 1061
#define IDC_START_RECENT3 1062
#define IDC_START_NEXT 1063
#define IDC_START_HELP 1066

// The task pane's three groups (each template id is also its group id)
#define IDD_TASK_ALBUMS 110
#define IDD_TASK_IMAGES 111
#define IDD_TASK_GALLERY 112

// The about box
#define IDD_ABOUTBOX 100
#define IDR_ABOUT_LOGO 32853      // "GIF" resource, 164 x 172
#define IDR_ABOUT_LOGO_150 32854  // the same drawn 1.5 and 2 times as large
#define IDR_ABOUT_LOGO_200 32855
#define IDI_ABOUT_OK 32850  // the icon on its OK button
#define IDC_ABOUT_TITLE 32840
#define IDC_ABOUT_NOTICE 32841
#define IDC_ABOUT_MAIL_TEXT 1043
#define IDC_ABOUT_MAIL 32842
#define IDC_ABOUT_SITE_TEXT 32843
#define IDC_ABOUT_SITE 32844
#define IDC_ABOUT_MAKER_TEXT 32845
#define IDC_ABOUT_MAKER 32846

// The update-notifications dialog
#define IDD_UPDATES 32826
#define IDI_UPDATES 32833
#define IDC_UPDATES_EMAIL 32827
#define IDC_UPDATES_SUBSCRIBE 32828    // radio index 0
#define IDC_UPDATES_UNSUBSCRIBE 32829  // radio index 1
#define IDC_UPDATES_INTRO 32830
#define IDC_UPDATES_PROMISE 32831

// The Build menu's dialogs. Ids shared by two dialogs mean the same thing in both.
#define IDD_GALLERY_TITLE 133
#define IDD_PREVIEW 134
#define IDD_GENERATE 136
#define IDD_PREVIEW_TOOLBOX 141
#define IDC_GALLERY_TITLE 1042        // title and generate dialogs: the gallery title
#define IDC_GALLERY_DESCRIPTION 1023  // title dialog
#define IDC_HOME_LINK 1050            // title dialog: "Include link back to home page"
#define IDC_HOME_URL_LABEL 1051
#define IDC_HOME_URL 1043
#define IDC_BUILD_BUTTON 3  // generate dialog: the one button, its caption the build's state
#define IDC_OUTPUT_FOLDER 1038
#define IDC_BROWSE_FOLDER 1039
#define IDC_ALBUM_PROGRESS 1011
#define IDC_TOTAL_PROGRESS 1012
#define IDC_PREVIEW_BROWSER 1047  // preview dialog: the browser, or its stand-in
#define IDC_PREVIEW_FALLBACK_TEXT 1060
#define IDC_PREVIEW_FALLBACK_LINK 1061
// The settings panel of the preview dialog
#define IDC_THEME_LIST 1004
#define IDC_ROWS 1017
#define IDC_ROWS_SPIN 1018
#define IDC_COLUMNS 1020
#define IDC_COLUMNS_SPIN 1021
#define IDC_THUMB_WIDTH 1023
#define IDC_THUMB_WIDTH_SPIN 1024
#define IDC_ALBUM_WIDTH 1034
#define IDC_ALBUM_WIDTH_SPIN 1035
#define IDC_ALBUM_WIDTH_UNIT 1036
#define IDC_OUTSIDE_BORDER 1037
#define IDC_OUTSIDE_BORDER_SPIN 1038
#define IDC_INSIDE_BORDER 1040
#define IDC_INSIDE_BORDER_SPIN 1041
#define IDC_PHOTO_SIZE 1049
#define IDC_OUTSIDE_BORDER_COLOR 1031
#define IDC_INSIDE_BORDER_COLOR 1042
#define IDC_PICTURE_COMMENT_COLOR 1029
#define IDC_GALLERY_TITLE_COLOR 1045
#define IDC_ALBUM_TITLE_COLOR 1032
#define IDC_ALBUM_LINK_COLOR 1033
#define IDC_GALLERY_DESCRIPTION_COLOR 1043
#define IDC_PAGE_LINKS_COLOR 1044
#define IDC_PAGES_COLOR 1047
#define IDC_ALBUM_CAPTION_COLOR 1048
#define IDC_HOME_PAGE_COLOR 1050
// The Publish dialog (its Browse button is the generate dialog's IDC_BROWSE_FOLDER)
#define IDD_PUBLISH 144
#define IDC_PUBLISH_GALLERY 1090      // the gallery folder published, read-only
#define IDC_PUBLISH_DESTINATION 1091  // a folder or an sftp:// address
#define IDC_PUBLISH_TEST 1092         // "Test connection"
#define IDC_PUBLISH_STATUS 1093       // what the test found, the progress, the outcome
#define IDC_PUBLISH_FILES_PROGRESS 1094
#define IDC_PUBLISH_BYTES_PROGRESS 1095
#define IDC_PUBLISH_FAILURES 1096     // the files that could not be published
#define IDC_PUBLISH_BUTTON 1097       // the one button, its caption the publish's state
#define IDC_PUBLISH_FILES_LABEL 1098  // the bars' captions: files and bytes, or the build's
#define IDC_PUBLISH_BYTES_LABEL 1099

// Publishing: what the OpenSSH client asks the person (a password or passphrase; a host key)
#define IDD_ASKPASS_SECRET 168
#define IDD_ASKPASS_QUESTION 169
#define IDC_ASKPASS_PROMPT 1080  // secret: the client's prompt
#define IDC_ASKPASS_SECRET 1081  // secret: the hidden edit
#define IDC_ASKPASS_TEXT 1082    // question: the client's whole text, read-only

// --- Child windows of the main frame ----------------------------------------------------------------
#define IDW_TOOLBAR 0xE800
#define IDW_STATUS_BAR 0xE801
#define IDW_TASK_PANE_BAR 0xE804
#define IDW_SPLITTER 0xE900         // the splitter, and its first pane
#define IDW_PANE_ALBUMS 0xE900      // pane (0, 0): the album list view
#define IDW_PANE_THUMBNAILS 0xE901  // pane (0, 1): the thumbnail view
#define IDC_ALBUM_LIST 1038         // the list control inside the album list view

// --- Menu commands --------------------------------------------------------------------------------------
#define ID_GALLERY_NEW 32817
#define ID_GALLERY_OPEN 32777
#define ID_GALLERY_SAVE 32776
#define ID_APP_EXIT 57665

#define ID_ALBUM_ADD 32793
#define ID_ALBUM_EDIT 32799
#define ID_ALBUM_COPY 32800
#define ID_ALBUM_REMOVE 32801
#define ID_ALBUM_UP 32802
#define ID_ALBUM_DOWN 32803

#define ID_IMAGES_ADD 32804
#define ID_IMAGES_ADD_FOLDER 32805
#define ID_IMAGES_UP 32806
#define ID_IMAGES_DOWN 32807
#define ID_IMAGES_COMMENT 32808
#define ID_IMAGES_REMOVE 32809
#define ID_IMAGES_ROTATE_LEFT 32810
#define ID_IMAGES_ROTATE_RIGHT 32811

#define ID_BUILD_VIEW 32812
#define ID_BUILD_GALLERY 32813
#define ID_BUILD_TITLE 32815
#define ID_BUILD_PUBLISH 32816

#define ID_HELP_CONTENTS 32818
#define ID_HELP_README 32819
#define ID_HELP_UPDATES 32823
#define ID_HELP_HOME_PAGE 32824
#define ID_APP_ABOUT 57664

// --- Toolbar buttons (Add album shares the menu's id) -----------------------------------------------------
#define ID_TB_NEW 32779
#define ID_TB_OPEN 32789
#define ID_TB_SAVE 32770
#define ID_TB_ALBUM_ADD 32793
#define ID_TB_ALBUM_EDIT 32794
#define ID_TB_ALBUM_COPY 32795
#define ID_TB_ALBUM_REMOVE 32796
#define ID_TB_ALBUM_UP 32797
#define ID_TB_ALBUM_DOWN 32798
#define ID_TB_IMAGES_ADD 32780
#define ID_TB_IMAGES_ADD_FOLDER 32781
#define ID_TB_IMAGES_UP 32782
#define ID_TB_IMAGES_DOWN 32783
#define ID_TB_IMAGES_ROTATE_LEFT 32784
#define ID_TB_IMAGES_ROTATE_RIGHT 32785
#define ID_TB_IMAGES_COMMENT 32786
#define ID_TB_IMAGES_REMOVE 32788
#define ID_TB_BUILD_TITLE 1048
#define ID_TB_BUILD_VIEW 32787

// --- Task links of the task pane ----------------------------------------------------------------------
#define ID_LINK_ALBUM_ADD 1001
#define ID_LINK_ALBUM_EDIT 1002
#define ID_LINK_ALBUM_REMOVE 1003
#define ID_LINK_ALBUM_UP 1004
#define ID_LINK_ALBUM_DOWN 1005
#define ID_LINK_ALBUM_COPY 1006
#define ID_LINK_IMAGES_ADD 1009
#define ID_LINK_IMAGES_ADD_FOLDER 1010
#define ID_LINK_IMAGES_COMMENT 1012
#define ID_LINK_IMAGES_UP 1013
#define ID_LINK_IMAGES_DOWN 1017
#define ID_LINK_IMAGES_REMOVE 1019
#define ID_LINK_IMAGES_ROTATE_LEFT 1021
#define ID_LINK_BUILD_VIEW 1022
#define ID_LINK_IMAGES_ROTATE_RIGHT 1024
#define ID_LINK_BUILD_TITLE 1029
#define ID_LINK_BUILD_GALLERY 1030
#define ID_LINK_BUILD_PUBLISH 1031
#define ID_LINK_FIRST 1001
#define ID_LINK_LAST 1031

// --- Accelerator commands ---------------------------------------------------------------------------
#define ID_FILE_NEW 57600   // Ctrl+N: reaches only the thumbnail view
#define ID_FILE_OPEN 57601  // Ctrl+O: taken by nobody
#define ID_FILE_SAVE 57603  // Ctrl+S: the document's save, i.e. the Save flow
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_CONTEXT_HELP 57669  // Shift+F1
#define ID_HELP 57670          // F1
#define ID_NEXT_PANE 57680     // F6
#define ID_PREV_PANE 57681     // Shift+F6

// --- Strings -----------------------------------------------------------------------------------------
#define IDS_READY 0xE001  // the status bar's text when no prompt is shown
#define IDS_INDICATOR_CAPS 0xE701
#define IDS_INDICATOR_NUM 0xE702
#define IDS_INDICATOR_SCRL 0xE703
