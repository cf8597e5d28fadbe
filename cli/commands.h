#pragma once
// The subcommands of lumivex-batch.
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "panorama_source.h"
#include "panorama_view.h"

// Runs subcommand name with its arguments; returns the exit status. Usage errors are printed
// with a pointer to the subcommand's help and give 2.
int RunSubcommand(const std::string& name, std::vector<std::string> args);

// The program's help, and every subcommand's after it (the installed reference text).
extern const char* const kProgramHelp;
std::string AllHelp();

// One frame of the panorama viewer's renderer at width x height for view, smoothed once when
// asked: the picture the viewer shows and saves for that view.
void RenderPanoramaView(const PanoramaPixels& panorama, const PanoramaView& view, int32_t width,
                        int32_t height, bool smooth, TBitmap& target);
