// The look of the wallpaper sheet as the renderer takes it, from the program's settings.
#pragma once

#include "app/settings.h"
#include "render/compose.h"

WallpaperLook lookFromSettings(const Settings& settings);
