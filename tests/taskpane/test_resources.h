#pragma once
// Resource ids of the task-pane tests (taskpane_tests.rc).

#define IDD_GROUP_LINKS 110     // two task links, a section-ending static, two default buttons
#define IDD_GROUP_SINGLE 111    // one task link
#define IDD_GROUP_SECTIONS 112  // a sub-section header with links, ended by a static of id 65535
#define IDD_VISIBLE 113         // a visible template (the library hides it)

#define IDC_LINK_A 1001
#define IDC_LINK_B 1002
#define IDC_SECTION_END 32001
#define IDC_BUTTON_DEFAULT 1030
#define IDC_BUTTON_SECOND 1031
#define IDC_SINGLE_LINK 1009
#define IDC_SUB_HEADER 1050
#define IDC_SUB_LINK 1051
#define IDC_AFTER_SECTION 1052

#define IDB_STRIP24 200
#define IDB_STRIP8 201
#define IDD_GROUP_ROW 114  // two push buttons on one row
#define IDC_ROW_LEFT 1060
#define IDC_ROW_RIGHT 1061
#define IDD_GROUP_TALL 115  // links and a button spread over 250 units: frames taller than the gap
#define IDD_GROUP_FORM 116  // a library push button, a drop-down list, a key-taking control, a default button
#define IDC_FORM_APPLY 1070
#define IDC_FORM_COMBO 1071
#define IDC_FORM_KEYS 1072
#define IDC_FORM_OK 1073
