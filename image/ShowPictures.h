#pragma once
// The show's fifteen pictures, each said once: its file name, its format and the size its effect
// loads it with. The effects load them by these names, the start-up check walks the list, the
// generator draws one picture per row and the build and the page take their file lists from it.

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "render/Pixel.h"

enum class PictureFormat { Jpeg, Pcx, Raw };

struct ShowPicture {
  const char* name;
  PictureFormat format;
  // JPEG and RAW: the picture's exact size. PCX: width x height is the capacity of the effect's
  // array; the file's rows come from its header and must fit in it.
  int width;
  int height;

  constexpr std::size_t pixels() const { return static_cast<std::size_t>(width) * height; }
};

inline constexpr ShowPicture TEGEL1{"tegel1.jpg", PictureFormat::Jpeg, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture TEGEL3{"tegel3.jpg", PictureFormat::Jpeg, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture WOOD1{"wood1.jpg", PictureFormat::Jpeg, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture METAL1{"metal1.jpg", PictureFormat::Jpeg, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture TITEL{"titel.pcx", PictureFormat::Pcx, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture HERZ{"herz.pcx", PictureFormat::Pcx, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture ZOD1{"zod1.pcx", PictureFormat::Pcx, TEXTURE_SIZE, TEXTURE_SIZE};
inline constexpr ShowPicture ENDE{"ende.pcx", PictureFormat::Pcx, TEXTURE_SIZE, TEXTURE_SIZE};
// The sphere keeps its skyline in an array the size of a frame.
inline constexpr ShowPicture KUVEN{"kuven.pcx", PictureFormat::Pcx, FRAME_WIDTH, FRAME_HEIGHT};
// The tunnel keeps its overlay in an array of 1 MiB.
inline constexpr ShowPicture ZOD4{"zod4.pcx", PictureFormat::Pcx, 512, 512};
inline constexpr ShowPicture PRESENTS{"presents.raw", PictureFormat::Raw, 70, 20};
inline constexpr ShowPicture BALLE{"balle.raw", PictureFormat::Raw, 512, 256};
inline constexpr ShowPicture BLOCKCHEN{"blockchen.raw", PictureFormat::Raw, 512, 256};
inline constexpr ShowPicture DIRURAR{"dirurar.raw", PictureFormat::Raw, 512, 180};
inline constexpr ShowPicture ZOD13{"zod13.raw", PictureFormat::Raw, 280, 280};

// All fifteen, in the order the effects load them.
inline constexpr ShowPicture SHOW_PICTURES[] = {TITEL, BALLE,   BLOCKCHEN, TEGEL1, TEGEL3, KUVEN,    METAL1, ZOD13,
                                                ZOD4,  DIRURAR, HERZ,      WOOD1,  ZOD1,   PRESENTS, ENDE};

// The largest array any of them is loaded into, in pixels.
inline constexpr std::size_t LARGEST_SHOW_PICTURE_PIXELS =
    std::max_element(std::begin(SHOW_PICTURES), std::end(SHOW_PICTURES),
                     [](const ShowPicture& a, const ShowPicture& b) { return a.pixels() < b.pixels(); })
        ->pixels();

// Loads the picture with its format's loader into `pixels`, which holds picture.pixels().
void loadShowPicture(Pixel* pixels, const ShowPicture& picture);

// Told of each picture loadShowPicture loads, so that the build can learn which effect shows which
// picture from the effects' own start-up; null (the default): nobody is told.
using PictureLoadListener = void (*)(const ShowPicture& picture);
void listenToPictureLoads(PictureLoadListener listener);
