#pragma once
// Where the product lives on the web: the one place for its addresses. The about box, the Help
// menu and the update notifications all take them from here.

struct ProductLinks {
    const wchar_t* homePage;       // the product's web site
    const wchar_t* supportMail;    // comments and bug reports
    const wchar_t* makerSite;      // the makers' own site
    const wchar_t* subscribePage;  // the mailing list of new versions ("?subscribe=1&email=...")
};

inline constexpr ProductLinks kProductLinks{
    L"https://fotoloom.example/",
    L"support@fotoloom.example",
    L"https://fotoloom.example/makers/",
    L"https://fotoloom.example/subscribe.php",
};
