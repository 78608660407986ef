// Settings files on the pilot's computer: what "Load from file" reads and where "Save to file"
// writes. The browser's save picker is used where there is one; elsewhere the file is handed
// to the browser as a download, which lands in the pilot's downloads folder.

export async function chosenFileBytes(file) {
  return new Uint8Array(await file.arrayBuffer());
}

export const SETTINGS_FILE = {
  description: 'vn340 settings file',
  accept: { 'application/octet-stream': ['.tsf'] },
};

// Returns true when the file was written or handed over, false when the pilot cancelled.
// `kind` is what the save picker offers: its description and the file's type and suffix.
export async function saveBytes(name, bytes, kind = SETTINGS_FILE) {
  if (typeof window.showSaveFilePicker === 'function') {
    let handle;
    try {
      handle = await window.showSaveFilePicker({
        suggestedName: name,
        types: [kind],
      });
    } catch (error) {
      if (error.name === 'AbortError') {
        return false;
      }
      throw error;
    }
    const writable = await handle.createWritable();
    await writable.write(bytes);
    await writable.close();
    return true;
  }
  download(name, bytes, Object.keys(kind.accept)[0]);
  return true;
}

function download(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  link.hidden = true;
  document.body.append(link);
  link.click();
  link.remove();
  // The download has taken its copy by the time this runs; a later revoke would only keep the
  // bytes in memory longer.
  setTimeout(() => URL.revokeObjectURL(url), 30_000);
}
