#include "render/encoder_runner.h"

#include "encode/dos_command.h"

#include <atomic>
#include <cstring>

namespace kalidor {
namespace {

class ProcessEncoderRunner final : public EncoderRunner {
public:
    explicit ProcessEncoderRunner(Dispatcher& dispatcher) : command_(dispatcher) {
        command_.CreationFlag = fCREATE_NEW_CONSOLE;
        command_.ShowWindow = swHIDE;
        command_.ReturnCode = rcCRLF;
        // Partial lines too: progress lines may end in a lone carriage return, and reading a
        // line twice only shows the same position again.
        command_.OnNewLine = [this](TDosCommand&, const std::string& line, TOutputType) {
            if (OnNewLine)
                OnNewLine(line);
        };
        command_.OnTerminated = [this](TDosCommand&, std::uint32_t exitCode) {
            if (OnTerminated)
                OnTerminated(exitCode);
        };
    }

    void SetCommandLine(const std::string& commandLine) override { command_.CommandLine = commandLine; }
    const std::string& CommandLine() const override { return command_.CommandLine; }
    void SetEnvironment(std::vector<std::string> entries) override { command_.Environment = std::move(entries); }
    int EndingSignal() const override { return command_.EndingSignal(); }

    std::uint32_t RunAndWait() override {
        command_.Start();
        // A stop that came while the run was being started would otherwise be lost.
        if (stopRequested_.load())
            command_.RequestStop();
        command_.Wait();
        const std::uint32_t code = command_.ExitCode();
        const TRunStage stage = command_.RunStage();
        if (stage == stPipeFailed)
            throw TCreatePipeError(command_.LastErrorMessage());
        if (stage == stProcessFailed || stage == stStartFailed) {
            const std::string message = command_.LastErrorMessage();
            throw TCreateProcessError(message.empty() ? command_.CommandLine + " could not be started." : message);
        }
        if (stage == stRunFailed)
            throw Error("the run of " + command_.CommandLine + " failed: " + std::strerror(static_cast<int>(code)));
        return code;
    }

    void RequestStop() override {
        stopRequested_.store(true);
        command_.RequestStop();
    }
    bool Running() const override { return command_.Running(); }

private:
    TDosCommand command_;
    std::atomic<bool> stopRequested_{false};
};

}  // namespace

std::unique_ptr<EncoderRunner> MakeProcessEncoderRunner(Dispatcher& dispatcher) {
    return std::make_unique<ProcessEncoderRunner>(dispatcher);
}

}  // namespace kalidor
