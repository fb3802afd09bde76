int InstallerPlaceholder() { return 0; }
