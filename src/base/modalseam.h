#pragma once
// How a modal dialog is run, as a seam: a test installs a runner that fills in and answers the
// dialog; without one the dialog's own exec runs. One runner per dialog class.
#include <functional>
#include <utility>

namespace quedral {

template <class Dialog, class Result = int>
class ModalSeam {
public:
    using Runner = std::function<Result(Dialog&)>;

    static void set(Runner runner) { slot() = std::move(runner); }

    // The installed runner's answer, or exec(dialog)'s.
    template <class Exec>
    static Result run(Dialog& dialog, Exec exec)
    {
        if (const Runner& runner = slot())
            return runner(dialog);
        return exec(dialog);
    }
    // The same with the dialog's own exec() (its Accepted or Rejected).
    static Result run(Dialog& dialog)
    {
        return run(dialog, [](Dialog& d) { return d.exec(); });
    }

private:
    static Runner& slot()
    {
        static Runner runner;
        return runner;
    }
};

} // namespace quedral
