// The built-in pictures compiled into the program (":/PNG/<id>", ":/JPG/<id>").
#pragma once

namespace resources {

/// Makes the built-in pictures available to the resource system. Idempotent, thread-safe.
void RegisterPictureResources();

} // namespace resources
