#pragma once
// A build observer for the benchmarks: warnings to stderr, no questions, never cancels.

#include <cstdio>
#include <string>

#include "generator/site_builder.h"

class Silent final : public IBuildObserver {
public:
    void progress(int, int) override {}
    void warning(const std::string& text) override { std::fprintf(stderr, "warning: %s\n", text.c_str()); }
    bool cancelRequested() override { return false; }
    bool askViewGallery(const std::string&, const std::string&) override { return false; }
    void openGallery(const std::string&) override {}
};
