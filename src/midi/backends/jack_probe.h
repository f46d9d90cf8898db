#pragma once
// Whether a JACK server is running, asked the way that never starts one. Main thread.

namespace kalo::midi {

// Opens and closes a client with JackNoStartServer (the server named by JACK_DEFAULT_SERVER, else the
// default one). libjack's own complaints about a missing server are kept off stderr: the caller
// reports the outcome once in its own words.
bool JackServerAnswers(const char* clientName);

}  // namespace kalo::midi
