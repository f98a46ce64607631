#include "app/image_file_dialog.h"

#include "winui/text.h"

winui::FileDialogRequest imageFilesRequest()
{
    winui::FileDialogRequest request;
    request.title = L"Open image file";
    request.filter =
        L"Supported files|*.bmp;*.gif;*.jpg;*.jpeg;*.png;*.ico;*.tif;*.tiff;*.tga;*.pcx;*.wbmp;*.wmf;*.emf;*.webp;"
        L"*.avif|"
        L"BMP files|*.bmp|GIF files|*.gif|JPG files|*.jpg;*.jpeg|PNG files|*.png|ICO CUR files|*.ico;*.cur|"
        L"TIF files|*.tif;*.tiff|TGA files|*.tga|PCX files|*.pcx|WBMP files|*.wbmp|WMF EMF files|*.wmf;*.emf|"
        L"JP2 files|*.j2k;*.jp2|JPC files|*.j2c;*.jpc|PGX files|*.pgx|RAS files|*.ras|"
        L"PNM files|*.pnm;*.pgm;*.ppm|WebP AVIF files|*.webp;*.avif||";
    request.filterIndex = 1;
    request.defaultExtension = L"bmp";
    request.flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    return request;
}

std::vector<std::string> chooseImageFiles(HWND owner)
{
    std::vector<std::string> paths;
    for (const std::wstring& path : winui::seam().fileDialog(owner, imageFilesRequest()))
        paths.push_back(winui::narrow(path));
    return paths;
}
