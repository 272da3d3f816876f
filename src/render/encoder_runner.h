#pragma once
// The runner of the encoder as the render thread sees it: a command line, a blocking run, a stop
// and two events. The real one is the console process runner; tests replay scripted output.

#include "platform/dispatcher.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kalidor {

class EncoderRunner {
public:
    virtual ~EncoderRunner() = default;

    // Every output line, delivered on the dispatcher's (the owner's) thread while RunAndWait
    // blocks.
    std::function<void(const std::string& line)> OnNewLine;
    // Once at the end of every run, with the exit code, on the runner's own thread.
    std::function<void(std::uint32_t exitCode)> OnTerminated;

    virtual void SetCommandLine(const std::string& commandLine) = 0;
    virtual const std::string& CommandLine() const = 0;
    // "NAME=value" entries for the environment of the runs from now on.
    virtual void SetEnvironment(std::vector<std::string> entries) { (void)entries; }
    // After a run: the signal that ended the program (not a stop of ours), or 0.
    virtual int EndingSignal() const { return 0; }
    // Runs the command and blocks until it has ended and OnTerminated has run. Returns the exit
    // code. Raises kalidor::Error (TCreateProcessError, TCreatePipeError) when the program could
    // not be started; OnTerminated has then reported a failure code.
    virtual std::uint32_t RunAndWait() = 0;
    // Asks a run to end and returns at once; callable from any thread, also from OnNewLine. A
    // run started after the request ends as soon as it has started.
    virtual void RequestStop() = 0;
    virtual bool Running() const = 0;
};

// The console process runner (TDosCommand), delivering lines through `dispatcher`, which must
// outlive it.
std::unique_ptr<EncoderRunner> MakeProcessEncoderRunner(Dispatcher& dispatcher);

}  // namespace kalidor
