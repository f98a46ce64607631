#pragma once
// What a picture's file says of how it was taken (EXIF): camera, lens, exposure, the time and the
// place. Read from the file's own bytes, the same on every system; never needed for the pixels.
//
// Every reader here treats its input as hostile: offsets and counts are checked against the bytes
// given, a text is cut at 128 bytes and keeps only printable characters of valid UTF-8, and a field
// that does not hold together is left unknown rather than guessed.

#include <cstddef>
#include <cstdint>
#include <string>

struct ExifFields {
    std::string make;                // "Canon"
    std::string model;               // "Canon EOS 5D Mark IV"
    std::string lens;                // "EF24-70mm f/2.8L II USM"
    double focalLength = 0;          // millimetres; 0 when unknown
    uint32_t exposureNumerator = 0;  // seconds as the fraction the camera wrote; 0/0 when unknown
    uint32_t exposureDenominator = 0;
    double fNumber = 0;    // 0 when unknown
    uint32_t iso = 0;      // 0 when unknown
    std::string taken;     // "YYYY:MM:DD HH:MM:SS" as stored; empty when unknown
    bool located = false;  // latitude and longitude below are known
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive

    bool empty() const
    {
        return make.empty() && model.empty() && lens.empty() && focalLength == 0 && exposureDenominator == 0 &&
               fNumber == 0 && iso == 0 && taken.empty() && !located;
    }
};

// From the TIFF structure of EXIF data (a JPEG's APP1 after "Exif\0\0", or a TIFF file itself).
ExifFields exifFieldsFromTiff(const uint8_t* tiff, size_t size);
// From the first bytes of a picture's file: a JPEG's EXIF segment, or a TIFF file's directories
// as far as the bytes given reach. Nothing for other formats.
ExifFields exifFieldsFromFile(const uint8_t* data, size_t size);
