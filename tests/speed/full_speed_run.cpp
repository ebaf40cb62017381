#include "tests/speed/full_speed_run.h"

#include "buffers/recording_state.h"
#include "buffers/shared_buffers.h"
#include "console/tarnwick_dlg.h"
#include "pages/rec_frame_limit.h"
#include "platform/capture/capture_system.h"
#include "platform/capture/sim/sim_camera.h"
#include "platform/capture/sim/sim_capture_system.h"
#include "platform/ui/dialog_services.h"
#include "platform/ui/draw_surface.h"
#include "platform/ui/ui_application.h"
#include "resources/resource.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
constexpr int ID_PROBE = 0x7EF0; // a command no control of the dialog uses
constexpr int LINES_PER_FRAME = 4;
constexpr unsigned FRAME_LIMIT = REC_FRAME_CAP / 2;
constexpr int REC_TAB = 3;
constexpr auto PROBE_PERIOD = std::chrono::milliseconds(20);

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The main dialog with one more command, posted from another thread, whose handler notes how long
// it waited. One is outstanding at a time, so a stalled dialog shows as one long wait.
class ProbeDlg : public TarnwickDlg
{
  public:
    ProbeDlg() { MapClicked(ID_PROBE, &ProbeDlg::OnProbe); }
    void OnProbe()
    {
        const std::int64_t nWait = NowNs() - m_nPostedNs.load();
        if (nWait > m_nWorstNs)
            std::tie(m_nWorstNs, m_nWorstPostedNs) = std::pair(nWait, m_nPostedNs.load());
        ++m_nHandled;
        m_bOutstanding = false;
    }
    // Poster thread.
    void Probe()
    {
        if (m_bOutstanding.exchange(true))
            return;
        m_nPostedNs = NowNs();
        PostCommand(ID_PROBE);
    }
    // User-interface thread, once the poster has stopped: the wait of one still outstanding counts too.
    double WorstMs() const
    {
        const std::int64_t nPending = m_bOutstanding ? NowNs() - m_nPostedNs.load() : 0;
        return std::max(m_nWorstNs, nPending) * 1e-6;
    }

    std::atomic<std::int64_t> m_nPostedNs{0};
    std::atomic<bool> m_bOutstanding{false};
    std::int64_t m_nWorstNs = 0, m_nWorstPostedNs = 0; // user-interface thread only
    int m_nHandled = 0;
};

// Watches the recording from the camera's side, on the streaming thread just after each frame has
// been handled: the line counter of every stored frame, and the frame index, frames lost, CPU and
// time at the first stored frame and the last.
struct RecordingWatch
{
    struct Mark
    {
        std::uint64_t nIndex = 0, nLost = 0;
        double dCpu = 0; // the process's CPU time: every thread, user and system
        std::int64_t nNs = 0;
    };

    explicit RecordingWatch(SimCamera& camera) : m_camera(camera), m_frameLines(FRAME_LIMIT) {}

    static void OnFrame(void* pArg, std::uint64_t nIndex)
    {
        auto& w = *static_cast<RecordingWatch*>(pArg);
        const std::uint32_t nStored = g_nRecFrames.load();
        if (nStored == w.m_nSeen || nStored == 0 || nStored > FRAME_LIMIT)
            return;
        w.m_nSeen = nStored;
        w.m_frameLines[nStored - 1] = w.m_camera.FrameLine();
        if (nStored == 1 || nStored == FRAME_LIMIT)
        {
            const Mark mark = {nIndex, w.m_camera.FramesLost(), double(std::clock()) / CLOCKS_PER_SEC,
                               NowNs()};
            (nStored == 1 ? w.m_first : w.m_last) = mark;
        }
        if (nStored == FRAME_LIMIT)
            w.m_bDone = true;
    }

    SimCamera& m_camera;
    std::vector<std::uint64_t> m_frameLines; // the camera's line counter of each stored frame
    std::uint32_t m_nSeen = 0;
    Mark m_first, m_last;
    std::atomic<bool> m_bDone{false}; // publishes the fields above to the user-interface thread
};

// Runs the event loop as the program's own does, sleeping until something happens (a timer wakes
// it every 10 ms), so that the loop itself costs no CPU in the figures.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QTimer wake;
    wake.start(10);
    const auto end = Clock::now() + timeout;
    while (!done() && Clock::now() < end)
    {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

// Composed samples unlike what the camera rendered: row j of column m holds sample 1283 - j of
// line 3 - m % 4 of the frame m / 4 (direction 0).
std::uint64_t CountMismatches(const RecordingWatch& watch, const SimFrameSettings& settings, int nWidth,
                              int nRowStep)
{
    std::uint64_t nBad = 0;
    const int nSamples = static_cast<int>(SENSOR_WIDTH);
    for (int j = 0; j < nSamples; j += nRowStep)
    {
        const unsigned char* pRow = g_pLineScan + static_cast<std::size_t>(j) * nWidth;
        for (int m = 0; m < nWidth; ++m)
            nBad +=
                pRow[m] != SimCamera::SampleAt(settings, true, watch.m_frameLines[m / LINES_PER_FRAME],
                                               nSamples - 1 - j, LINES_PER_FRAME - 1 - m % LINES_PER_FRAME);
    }
    return nBad;
}

// Everything the run sets up, undone in reverse whatever happens: the dialog, and with it the
// stream, goes first. No person answers: message boxes are counted (none is expected), file
// dialogs cancelled.
class FullSpeedRun : public DialogServices
{
  public:
    explicit FullSpeedRun(int nLineRate)
        : m_savedDir(std::filesystem::current_path()),
          m_dir(std::filesystem::temp_directory_path() /
                ("tarnwick_speed_" + std::to_string(std::random_device{}()))),
          m_pSim(SimCaptureSystem::FromSpec("color:mode=3:rate=" + std::to_string(nLineRate), nullptr)),
          m_camera(*m_pSim->Camera(0))
    {
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
        SetDialogServices(this);
        CaptureSystem::SetCurrent(m_pSim);
        m_camera.SetDeliveryObserver(&RecordingWatch::OnFrame, &m_watch);
    }
    ~FullSpeedRun()
    {
        CloseDialog();
        ReleaseSharedBuffers();
        CaptureSystem::SetCurrent(nullptr);
        SetDialogServices(nullptr);
        std::filesystem::current_path(m_savedDir);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    // The whole run; the reason it could not be completed, or empty.
    std::string Record(int nRowStep, FullSpeedFigures& f)
    {
        g_nRecFrames = 0;
        m_pDlg = std::make_unique<ProbeDlg>();
        ProbeDlg& d = *m_pDlg;
        UiApplication::Instance()->SetMainDialog(&d);
        d.Create(nullptr);
        d.ShowWindow(ShowState::Show);
        PumpUntil([] { return false; }, std::chrono::milliseconds(100)); // the start-up chain
        d.SendCommand(IDC_MAIN_START);
        if (!PumpUntil([&] { return d.m_wndLive.m_bRunning == 1 && m_camera.FramesDelivered() > 100; },
                       std::chrono::seconds(10)))
            return "the live viewer did not open on a streaming camera";
        d.m_tab.SetCurSel(REC_TAB);
        d.OnTcnSelchangeTab();
        StartProbes();
        PumpUntil([] { return false; }, std::chrono::milliseconds(100)); // the live viewer at full speed

        DrawSurface& lineScanSurface = d.m_wndLineScan.GetDrawSurface();
        const SimFrameSettings settings = m_camera.CurrentSettings();
        m_nPeakRss = 0;
        d.m_tabRec.SendCommand(IDC_REC_START);
        if (g_nRecMode == 0)
            return "Rec Start did not start a recording: " + m_strLastBox;
        const int nShownBefore = lineScanSurface.ShownCount();
        const bool bShown = PumpUntil(
            [&]
            {
                return m_watch.m_bDone && g_nRecMode == 0 && d.m_wndLineScan.IsWindowVisible() &&
                       lineScanSurface.ShownCount() > nShownBefore;
            },
            std::chrono::seconds(120));
        const std::int64_t nShownNs = NowNs();
        StopProbes();
        if (!bShown)
            return "the recording did not end in the line-scan viewer (" + std::to_string(g_nRecFrames) +
                   " frames stored)";

        const RecordingWatch::Mark &first = m_watch.m_first, &last = m_watch.m_last;
        f.nFramesStored = g_nRecFrames;
        f.nFramesOffered = last.nIndex - first.nIndex + 1;
        f.nFramesLost = last.nLost - first.nLost;
        f.nImageWidth = d.m_wndLineScan.m_nWidth;
        const double dSeconds = (last.nNs - first.nNs) * 1e-9;
        // Lines delivered, not the line counter's advance: lost frames are not lines handled.
        const double dLines = double(last.nIndex - first.nIndex) * LINES_PER_FRAME;
        f.dLinesPerSecond = dSeconds > 0 ? dLines / dSeconds : 0;
        f.dCpuMsPer1000Lines = dLines > 0 ? (last.dCpu - first.dCpu) * 1e6 / dLines : 0;
        f.dStopToPictureMs = (nShownNs - last.nNs) * 1e-6;
        f.dWorstLatencyMs = d.WorstMs();
        f.nProbes = d.m_nHandled;
        f.dWorstLatencyAtMs = (d.m_nWorstPostedNs - last.nNs) * 1e-6;
        f.nPeakRssBytes = m_nPeakRss;
        f.nSharedBufferBytes = RAW_FRAME_BYTES + BGR_FRAME_BYTES + LINE_SCAN_BYTES + LINE_SCAN_BGR_BYTES;
        f.nMismatches =
            CountMismatches(m_watch, settings, std::min(f.nImageWidth, int(FRAME_LIMIT) * LINES_PER_FRAME),
                            std::max(1, nRowStep));
        if (m_nBoxes != 0)
            return "a message box appeared: " + m_strLastBox;
        return ""; // the run ends as the operator leaves, while the camera streams into the live viewer
    }

    int MessageBox(Dialog*, const std::string& strText, const std::string&, unsigned) override
    {
        m_strLastBox = strText;
        ++m_nBoxes;
        return IDOK;
    }
    bool SaveFile(Dialog*, const SaveFileRequest&, std::string*) override { return false; }
    bool BrowseForFolder(Dialog*, const std::string&, std::string*) override { return false; }

  private:
    // Probes the dialog every 20 ms from another thread, and samples the resident memory as it goes
    // (there reading the file costs the user-interface thread nothing).
    void StartProbes()
    {
        m_poster = std::jthread(
            [this](std::stop_token stop)
            {
                for (; !stop.stop_requested(); std::this_thread::sleep_for(PROBE_PERIOD))
                {
                    m_pDlg->Probe();
                    m_nPeakRss = std::max(m_nPeakRss.load(), ResidentBytes());
                }
            });
    }
    void StopProbes() { m_poster = {}; }
    // Exit, as the operator leaves: the camera stops and nothing reaches the run's watchers after.
    void CloseDialog()
    {
        StopProbes();
        if (m_pDlg != nullptr && m_pDlg->IsWindowVisible())
            m_pDlg->SendCommand(IDCANCEL);
        m_pDlg.reset();
        UiApplication::Instance()->SetMainDialog(nullptr);
    }

    std::filesystem::path m_savedDir, m_dir;
    int m_nBoxes = 0;
    std::string m_strLastBox;
    std::shared_ptr<SimCaptureSystem> m_pSim;
    SimCamera& m_camera;
    RecordingWatch m_watch{m_camera};
    std::unique_ptr<ProbeDlg> m_pDlg;
    std::atomic<std::size_t> m_nPeakRss{0}; // highest seen while recording: the poster writes it
    std::jthread m_poster;
};
} // namespace

bool RunFullSpeed(const FullSpeedOptions& options, FullSpeedFigures& figures, std::string& strError)
{
    strError = FullSpeedRun(options.nLineRate).Record(options.nRowStep, figures);
    return strError.empty();
}
