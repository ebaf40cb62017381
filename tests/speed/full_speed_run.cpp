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

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

double CpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

std::size_t ResidentBytes()
{
    std::ifstream in("/proc/self/status");
    std::string strKey;
    std::size_t nKb = 0;
    while (in >> strKey)
        if (strKey == "VmRSS:" && in >> nKb)
            return nKb * 1024;
    return 0;
}

// No person answers: message boxes are counted (none is expected), file dialogs cancelled.
class QuietServices : public DialogServices
{
  public:
    int MessageBox(Dialog*, const std::string& strText, const std::string&, unsigned) override
    {
        m_strLastBox = strText;
        ++m_nBoxes;
        return IDOK;
    }
    bool SaveFile(Dialog*, const SaveFileRequest&, std::string*) override { return false; }
    bool BrowseForFolder(Dialog*, const std::string&, std::string*) override { return false; }

    int m_nBoxes = 0;
    std::string m_strLastBox;
};

// The main dialog with one more command, posted from another thread, whose handler notes how long
// it waited. One is outstanding at a time, so a stalled dialog shows as one long wait.
class ProbeDlg : public TarnwickDlg
{
  public:
    ProbeDlg()
    {
        MapClicked(ID_PROBE,
                   [this]
                   {
                       const std::int64_t nWait = NowNs() - m_nPostedNs.load();
                       if (nWait > m_nWorstNs)
                       {
                           m_nWorstNs = nWait;
                           m_nWorstPostedNs = m_nPostedNs;
                       }
                       ++m_nHandled;
                       m_bOutstanding = false;
                   });
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
    int Handled() const { return m_nHandled; }
    std::int64_t WorstPostedNs() const { return m_nWorstPostedNs; }

  private:
    std::atomic<std::int64_t> m_nPostedNs{0};
    std::atomic<bool> m_bOutstanding{false};
    std::int64_t m_nWorstNs = 0; // user-interface thread only
    std::int64_t m_nWorstPostedNs = 0;
    int m_nHandled = 0;
};

// Watches the recording from the camera's side, on the streaming thread just after each frame has
// been handled: the line counter of every stored frame, the frames offered from the first stored
// to the last, and time, CPU and lost frames at both ends.
struct RecordingWatch
{
    explicit RecordingWatch(SimCamera& camera) : m_camera(camera), m_frameLines(FRAME_LIMIT) {}

    static void OnFrame(void* pArg, std::uint64_t nIndex)
    {
        auto& w = *static_cast<RecordingWatch*>(pArg);
        const std::uint32_t nStored = g_nRecFrames.load();
        if (nStored == w.m_nSeen || nStored == 0 || nStored > FRAME_LIMIT)
            return;
        w.m_nSeen = nStored;
        w.m_frameLines[nStored - 1] = w.m_camera.FrameLine();
        if (nStored == 1)
        {
            w.m_nFirstIndex = nIndex;
            w.m_nLostAtFirst = w.m_camera.FramesLost();
            w.m_dCpuAtFirst = CpuSeconds();
            w.m_nFirstNs = NowNs();
        }
        if (nStored == FRAME_LIMIT)
        {
            w.m_nLastIndex = nIndex;
            w.m_nLostAtLast = w.m_camera.FramesLost();
            w.m_dCpuAtLast = CpuSeconds();
            w.m_nLastNs = NowNs();
            w.m_bDone = true;
        }
    }

    SimCamera& m_camera;
    std::vector<std::uint64_t> m_frameLines; // the camera's line counter of each stored frame
    std::uint32_t m_nSeen = 0;
    std::uint64_t m_nFirstIndex = 0, m_nLastIndex = 0, m_nLostAtFirst = 0, m_nLostAtLast = 0;
    double m_dCpuAtFirst = 0, m_dCpuAtLast = 0;
    std::int64_t m_nFirstNs = 0, m_nLastNs = 0;
    std::atomic<bool> m_bDone{false}; // publishes the fields above to the user-interface thread
};

// Runs the event loop as the program's own does, sleeping until something happens (a timer wakes
// it every 10 ms), so that the loop itself costs no CPU in the figures.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               const std::function<void()>& each = {})
{
    QTimer wake;
    wake.start(10);
    const auto end = Clock::now() + timeout;
    while (!done() && Clock::now() < end)
    {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (each)
            each();
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

// Everything the run sets up, undone in reverse whatever happens.
class RunScope
{
  public:
    explicit RunScope(int nLineRate)
        : m_savedDir(std::filesystem::current_path()),
          m_dir(std::filesystem::temp_directory_path() /
                ("tarnwick_speed_" + std::to_string(std::random_device{}())))
    {
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
        SetDialogServices(&m_services);
        m_pSim = SimCaptureSystem::FromSpec("color:mode=3:rate=" + std::to_string(nLineRate), nullptr);
        CaptureSystem::SetCurrent(m_pSim);
    }
    ~RunScope()
    {
        CloseDialog();
        ReleaseSharedBuffers();
        CaptureSystem::SetCurrent(nullptr);
        SetDialogServices(nullptr);
        std::filesystem::current_path(m_savedDir);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    void StartProbes()
    {
        m_bPosting = true;
        m_poster = std::thread(
            [this]
            {
                while (m_bPosting)
                {
                    m_pDlg->Probe();
                    std::this_thread::sleep_for(PROBE_PERIOD);
                }
            });
    }
    void StopProbes()
    {
        m_bPosting = false;
        if (m_poster.joinable())
            m_poster.join();
    }
    // Exit, as the operator leaves: the camera stops and nothing reaches the run's watchers after.
    void CloseDialog()
    {
        StopProbes();
        if (m_pDlg != nullptr && m_pDlg->IsWindowVisible())
            m_pDlg->SendCommand(IDCANCEL);
        m_pDlg.reset();
        UiApplication::Instance()->SetMainDialog(nullptr);
    }

    QuietServices m_services;
    std::shared_ptr<SimCaptureSystem> m_pSim;
    std::unique_ptr<ProbeDlg> m_pDlg;

  private:
    std::filesystem::path m_savedDir, m_dir;
    std::atomic<bool> m_bPosting{false};
    std::thread m_poster;
};
} // namespace

bool RunFullSpeed(const FullSpeedOptions& options, FullSpeedFigures& f, std::string& strError)
{
    RunScope run(options.nLineRate);
    SimCamera& camera = *run.m_pSim->Camera(0);
    RecordingWatch watch(camera);
    camera.SetDeliveryObserver(&RecordingWatch::OnFrame, &watch);
    // The dialog, and with it the stream, goes before the watch on every way out.
    struct CloseFirst
    {
        RunScope& run;
        ~CloseFirst() { run.CloseDialog(); }
    } closeFirst{run};
    g_nRecFrames = 0;

    run.m_pDlg = std::make_unique<ProbeDlg>();
    ProbeDlg& d = *run.m_pDlg;
    UiApplication::Instance()->SetMainDialog(&d);
    d.Create(nullptr);
    d.ShowWindow(ShowState::Show);
    PumpUntil([] { return false; }, std::chrono::milliseconds(100)); // the start-up chain
    d.SendCommand(IDC_MAIN_START);
    if (!PumpUntil([&] { return d.m_wndLive.m_bRunning == 1 && camera.FramesDelivered() > 100; },
                   std::chrono::seconds(10)))
    {
        strError = "the live viewer did not open on a streaming camera";
        return false;
    }
    d.m_tab.SetCurSel(REC_TAB);
    d.OnTcnSelchangeTab();
    run.StartProbes();
    PumpUntil([] { return false; }, std::chrono::milliseconds(100)); // the live viewer at full speed

    DrawSurface& lineScanSurface = d.m_wndLineScan.GetDrawSurface();
    const SimFrameSettings settings = camera.CurrentSettings();
    d.m_tabRec.SendCommand(IDC_REC_START);
    if (g_nRecMode == 0)
    {
        strError = "Rec Start did not start a recording: " + run.m_services.m_strLastBox;
        return false;
    }
    const int nShownBefore = lineScanSurface.ShownCount();
    f.nPeakRssBytes = 0;
    Clock::time_point nextRss = Clock::now();
    const bool bShown = PumpUntil(
        [&]
        {
            return watch.m_bDone && g_nRecMode == 0 && d.m_wndLineScan.IsWindowVisible() &&
                   lineScanSurface.ShownCount() > nShownBefore;
        },
        std::chrono::seconds(120),
        [&]
        {
            // Sampled every 20 ms: reading it costs the user-interface thread a file.
            if (Clock::now() < nextRss)
                return;
            nextRss = Clock::now() + PROBE_PERIOD;
            f.nPeakRssBytes = std::max(f.nPeakRssBytes, ResidentBytes());
        });
    const std::int64_t nShownNs = NowNs();
    run.StopProbes();
    if (!bShown)
    {
        strError = "the recording did not end in the line-scan viewer (" + std::to_string(g_nRecFrames) +
                   " frames stored)";
        return false;
    }

    f.nFramesStored = g_nRecFrames;
    f.nFramesOffered = watch.m_nLastIndex - watch.m_nFirstIndex + 1;
    f.nFramesLost = watch.m_nLostAtLast - watch.m_nLostAtFirst;
    f.nImageWidth = d.m_wndLineScan.m_nWidth;
    const double dSeconds = (watch.m_nLastNs - watch.m_nFirstNs) * 1e-9;
    // Lines delivered, not the line counter's advance: lost frames are not lines handled.
    const double dLines = double(watch.m_nLastIndex - watch.m_nFirstIndex) * LINES_PER_FRAME;
    f.dLinesPerSecond = dSeconds > 0 ? dLines / dSeconds : 0;
    f.dCpuMsPer1000Lines = dLines > 0 ? (watch.m_dCpuAtLast - watch.m_dCpuAtFirst) * 1e6 / dLines : 0;
    f.dStopToPictureMs = (nShownNs - watch.m_nLastNs) * 1e-6;
    f.dWorstLatencyMs = d.WorstMs();
    f.nProbes = d.Handled();
    f.dWorstLatencyAtMs = (d.WorstPostedNs() - watch.m_nLastNs) * 1e-6;
    f.nSharedBufferBytes = RAW_FRAME_BYTES + BGR_FRAME_BYTES + LINE_SCAN_BYTES + LINE_SCAN_BGR_BYTES;
    f.nMismatches =
        CountMismatches(watch, settings, std::min(f.nImageWidth, int(FRAME_LIMIT) * LINES_PER_FRAME),
                        std::max(1, options.nRowStep));
    if (run.m_services.m_nBoxes != 0)
    {
        strError = "a message box appeared: " + run.m_services.m_strLastBox;
        return false;
    }
    // Exit while the camera still streams into the open live viewer.
    run.CloseDialog();
    return true;
}
