#include "device/HwThread.h"

#include "common/Status.h"
#include "device/SerialPort.h"

void WorkerContext::broadcast (int code) const
{
    if (status != nullptr)
        broadcastStatus (*status, code);
}

void WorkerContext::setProgress (double value) const
{
    if (progress != nullptr)
        *progress = value;
}

void WorkerContext::addProgress (double step) const
{
    if (progress != nullptr)
        *progress = *progress + step;
}

void WorkerContext::reportQueueLevel() const
{
    if (queue != nullptr)
        queue->reportQueueLevel();
}

void WorkerContext::messageFailed() const
{
    if (queue != nullptr)
        queue->countFailedMessage();
}

HwThread::HwThread (SerialPort& serialPort, juce::ActionBroadcaster& status, std::atomic<double>& progressValue,
                    int bytePauseMs)
    : juce::Thread ("HwThread")
    , port (serialPort)
    , statusBroadcaster (status)
    , progress (progressValue)
    , bytePause (bytePauseMs)
{
    startThread();
}

HwThread::~HwThread()
{
    // Normally stopped already by shut-down; a worker must never outlive what it uses.
    stopThread (10000);
    clearQueue();
    delete pendingFirmware.exchange (nullptr);
}

void HwThread::broadcast (int code)
{
    broadcastStatus (statusBroadcaster, code);
}

void HwThread::reportQueueLevel()
{
    const juce::ScopedLock sl (queueLock);
    if (pendingCount == 0)
    {
        peakCount = 0;
        broadcast (StatusIdle);
    }
    else if (pendingCount > busyThreshold)
    {
        broadcast (StatusBusy);
    }
}

void HwThread::enqueue (std::unique_ptr<HardwareCommand> command)
{
    const juce::ScopedLock sl (queueLock);
    if (command == nullptr || !port.isConnected())
        return; // discarded unsent, without a word

    auto* c = command.release();
    c->next = nullptr;
    if (queueTail != nullptr)
        queueTail->next = c;
    else
        queueHead = c;
    queueTail = c;

    peakCount = std::max (peakCount, ++pendingCount);
    ++enqueuedCount;
    reportQueueLevel();
    notify();
}

bool HwThread::isHoldingQueue() const
{
    const auto held = heldOn.load();
    return held != 0 && port.isConnected() && port.getSession() == held;
}

bool HwThread::isUploadActive() const
{
    return isFirmwarePending() || isHoldingQueue();
}

std::unique_ptr<HardwareCommand> HwThread::dequeue()
{
    // Under the lock: the disconnection that ends the hold drops the queue under it too.
    const juce::ScopedLock sl (queueLock);
    return isHoldingQueue() ? nullptr : takeFirst();
}

std::unique_ptr<HardwareCommand> HwThread::takeFirst()
{
    const juce::ScopedLock sl (queueLock);
    if (queueHead == nullptr)
        return nullptr;

    std::unique_ptr<HardwareCommand> command (queueHead);
    queueHead = command->next;
    command->next = nullptr;
    if (queueHead == nullptr)
        queueTail = nullptr;

    --pendingCount;
    if (peakCount != 0)
        progress = (double) (peakCount - pendingCount) / peakCount;
    if (!command->reportsQueueLevelAtEnd())
        reportQueueLevel();
    return command;
}

void HwThread::clearQueue()
{
    const juce::ScopedLock sl (queueLock);
    while (queueHead != nullptr)
        takeFirst(); // destroyed unsent
    pendingCount = 0;
    peakCount = 0;
}

int HwThread::getPendingCount() const
{
    const juce::ScopedLock sl (queueLock);
    return pendingCount;
}

bool HwThread::startFirmwareUpload (std::unique_ptr<FirmwareImage> image)
{
    if (image == nullptr || image->bytes.size() != (size_t) FirmwareImage::size)
        return false;
    if (image->progressTarget == nullptr)
        image->progressTarget = &progress;

    // The worker may be reading the pending image: a second one is refused,
    // and the running one is neither replaced nor freed; so is one for a
    // processor that has just taken an image. Only this thread sets the
    // image, so one found absent here is still absent below.
    if (isUploadActive())
        return false;
    *image->progressTarget = 0.0;
    handedOverOn = port.getSession();
    FirmwareImage* none = nullptr;
    if (!pendingFirmware.compare_exchange_strong (none, image.get()))
        return false;
    image.release(); // the worker's now; it may already be gone
    notify();
    return true;
}

void HwThread::run()
{
    WorkerContext context{ port, this, &statusBroadcaster, &progress, this };

    // Told once per connection; the message thread lets go of the port.
    std::uint64_t toldLostOn = 0;
    const auto tellLostLine = [&] (bool askThePort)
    {
        const auto session = port.getSession();
        if (session != toldLostOn && port.isConnected() && (askThePort ? port.checkLine() : port.isLineLost()))
        {
            toldLostOn = session;
            broadcast (StatusLineLost);
        }
    };

    while (!threadShouldExit())
    {
        while (auto command = dequeue())
        {
            const auto failedBefore = failedMessageCount.load();
            command->execute (context);
            command.reset();
            if (failedMessageCount.load() != failedBefore)
                ++failedCommandCount;
            if (threadShouldExit())
                return; // what is still queued is discarded by clearQueue
            tellLostLine (false);
        }

        if (auto* image = pendingFirmware.load())
        {
            const auto session = handedOverOn.load();
            if (port.isConnected() && port.getSession() == session)
            {
                heldOn = session;
                const auto result = uploadFirmware (*image, port, *this, bytePause);
                if (result == UploadResult::completed)
                    broadcast (StatusUploadComplete);
                else if (result == UploadResult::failed)
                    broadcast (StatusUploadFailed);
            }
            pendingFirmware = nullptr;
            delete image;
            tellLostLine (false);
        }

        tellLostLine (true);
        wait (lineCheckIntervalMs);
    }
}
