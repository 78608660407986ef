// The window as the adapter link's view: the port selector, the gyro buttons, the messages and
// the Detect wizard's questions, the data exchange around a selection and the "COM PORT"
// preference. The link does the rest, and hands received text to the engine.

#include <QMessageBox>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"
#include "link/adapter_link.h"
#include "protocol/sequence_engine.h"

namespace vn340 {
namespace {

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void ConfigDialog::createLink() {
    AdapterLinkPaths where;
    where.sysClassTty = paths_.sysClassTty;
    where.deviceFolder = paths_.deviceFolder;
    where.d2xxLibrary = paths_.d2xxLibrary;
    AdapterView& view = *this;
    link_ = std::make_unique<AdapterLink>(view, this, where);
    link_->onTextReceived([this](std::string_view text) { dispatchReply(text); });
}

const AdapterLink& ConfigDialog::adapterLink() const {
    return *link_;
}

void ConfigDialog::prepareTransports() {
    link_->prepare();
}

void ConfigDialog::fillPortSelectorAtStartup() {
    link_->fillPortSelectorAtStartup(prefs_.savedPort);
    prefs_.savedPort = link_->savedPort();
}

void ConfigDialog::refreshPortList() {
    link_->refreshPortList();
}

void ConfigDialog::openSelectedPort() {
    link_->openSelectedPort();
    prefs_.savedPort = link_->savedPort();
}

void ConfigDialog::detectAdapterPort() {
    link_->detectAdapterPort();
    prefs_.savedPort = link_->savedPort();
}

void ConfigDialog::closeAdapter() {
    link_->closeUsbAdapter();
}

void ConfigDialog::dispatchReply(std::string_view text) {
    engine_->dispatchReply(text);
}

void ConfigDialog::clearSelector() {
    portSelector_->clear();
}

void ConfigDialog::addSelectorEntry(std::string_view name) {
    // A sorted list in plain text order, so "ttyUSB10" comes before "ttyUSB2".
    const QString entry = fromStd(name);
    const QByteArray bytes = entry.toUtf8();
    int at = 0;
    while (at < portSelector_->count() && portSelector_->itemText(at).toUtf8() <= bytes)
        ++at;
    // A list without a selection keeps none: the first entry added would otherwise be taken as
    // the pilot's choice.
    const bool noneSelected = portSelector_->currentIndex() < 0;
    portSelector_->insertItem(at, entry);
    if (noneSelected)
        portSelector_->setCurrentIndex(-1);
}

void ConfigDialog::selectEntry(std::string_view name) {
    portSelector_->setCurrentIndex(
        portSelector_->findText(fromStd(name), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

std::optional<std::string> ConfigDialog::selectedEntry() const {
    if (portSelector_->currentIndex() < 0)
        return std::nullopt;
    return portSelector_->currentText().toStdString();
}

void ConfigDialog::enableGyroButtons(bool enable) {
    setGyroButtonsEnabled(enable);
}

void ConfigDialog::showMessage(std::string_view text) {
    showMessage(fromStd(text));
}

void ConfigDialog::showSystemMessage(std::string_view text) {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), fromStd(text), QMessageBox::Ok, this);
    box.exec();
}

PromptAnswer ConfigDialog::askContinueAbort(std::string_view text) {
    continueAbortPrompt_->setPrompt(fromStd(text));
    if (continueAbortPrompt_->exec() != QDialog::Accepted)
        return PromptAnswer::Escape;
    return continueAbortPrompt_->choice() == ContinueAbortPrompt::Abort ? PromptAnswer::Abort
                                                                        : PromptAnswer::Continue;
}

void ConfigDialog::takeControlsIntoFields() {
    exchangeFromControls();
}

void ConfigDialog::showFieldsInControls() {
    exchangeToControls();
}

void ConfigDialog::storeComPort(std::string_view name) {
    // The port is open either way; the pilot must know it will not be chosen next time.
    if (!prefsStore_.writeString(kSettingsSection, kComPortKey, name))
        showMessage(QString::fromStdString(prefsStore_.lastError().message));
}

}  // namespace vn340
