// What an input may make GDAL read besides itself. A map downloaded from the
// web may be a VRT that reads any file of the user's (a raw band over
// ~/.ssh/id_rsa, a source in /proc) into the tiles, or that names a FIFO
// and hangs the cut; a FIFO beside an image (IMAGE.aux.xml) would hang it
// too. These checks run before GDAL opens the input.
#pragma once

#include <string>

namespace mapcut {

struct InputPolicy {
    // Let VRT bands read raw files, and VRT sources lie outside the input's
    // folder or be no local file at all (/vsi..., DRIVER:...). Non-regular
    // files are refused even then.
    bool allowLocalReferences = false;
};

// Whether GDAL may open the image: every file a VRT refers to (VRTs within
// it too) is a regular file inside the image's folder and no band is read
// raw, unless the policy allows it; no file beside the image that GDAL
// would read with it (its name starts with the image's) is a FIFO or device.
bool CheckInputReferences(const std::string& image, const InputPolicy& policy, std::string* error);

// The same rule for the files GDAL says an opened dataset is made of.
bool CheckDatasetFiles(const std::string& image, char** files, const InputPolicy& policy,
                       std::string* error);

} // namespace mapcut
