#pragma once
// Whether a JACK server is running, asked the way that never starts one. Main thread.
//
// Asking opens and closes a client. libjack (1.9.21) can deadlock in jack_client_close when another
// client comes or goes at that moment: closing cancels the client's notification thread, which may
// then hold a lock of the library's that nothing releases again. A program that names itself with
// AskJackInChildProcesses therefore asks in a child process (the program started with
// kJackProbeArgument), which is ended and asked once more when it hangs: the program never hangs on
// the question, and its own libjack stays usable.

#include <string>

namespace kalo::midi {

// The argument that makes the program answer the question and end: exit code 0 when the server
// answers the client name that follows, 1 when not.
inline constexpr const char* kJackProbeArgument = "--jack-server-answers";

// Opens and closes a client with JackNoStartServer (the server named by JACK_DEFAULT_SERVER, else the
// default one): in a child process when one was set up, else here. libjack's own complaints about a
// missing server are kept off stderr: the caller reports the outcome once in its own words.
bool JackServerAnswers(const char* clientName);

// Asks in this process, whatever was set up: what the child runs.
bool JackServerAnswersHere(const char* clientName);

// From now on JackServerAnswers runs `program` (this program's own file) with kJackProbeArgument.
void AskJackInChildProcesses(std::string program);

}  // namespace kalo::midi
