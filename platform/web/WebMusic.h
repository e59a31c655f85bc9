// Between the web services: the music kept in step with the show's clock.
#pragma once

namespace web
{
// The video service, after each frame it shows: puts the music where the show's clock says it
// is, if it has strayed (a frozen tab, a suspended audio context, the start offset).
void KeepMusicInStep();
} // namespace web
