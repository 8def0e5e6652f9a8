#pragma once

// Registers the compiled-in icons, images and translations. Resources live
// in a static library, so every program that uses them calls this once.
void initVdfuResources();
