# Reference cleanup script for the chainer's CleanupScript key (see docs/configuration.md, "Exit cleanup").
#
# The chainer runs a temporary copy of this script after its own cleanup, hidden, in the folder of the
# original script, and does not wait for it:
#     powershell.exe ... -Command "& '<copy>' -paths '<script>','<chainer>','<folder>',... -retry_count 10"
# It waits for the chainer to end, deletes the files it is given, then the folders (deepest first, as
# listed; only empty ones), each with up to retry_count attempts a second apart, and last its own copy.
#
# Not run by the tests of this repository: Wine has no PowerShell, so they check only what the chainer
# hands over. Adapt it to your package as you see fit; the chainer fixes only the two parameters.
param(
    [string[]]$paths = @(),
    [int]$retry_count = 10
)

# The working folder is the original script's folder, which may be one of the folders to remove.
Set-Location -LiteralPath ([System.IO.Path]::GetTempPath())

# The chainer is the listed program that may still be running; its file cannot go before it has ended.
$programs = @($paths | Where-Object { $_ -like '*.exe' })
Get-Process -ErrorAction SilentlyContinue |
    Where-Object { $_.Path -and ($programs -contains $_.Path) } |
    ForEach-Object { [void]$_.WaitForExit(60000) }

function Remove-WithRetry([string]$path, [scriptblock]$remove) {
    for ($attempt = 0; $attempt -lt [Math]::Max(1, $retry_count); $attempt++) {
        if (-not (Test-Path -LiteralPath $path)) { return }
        try { & $remove $path; return } catch { Start-Sleep -Seconds 1 }
    }
}

foreach ($path in $paths) {
    if (Test-Path -LiteralPath $path -PathType Leaf) {
        Remove-WithRetry $path { param($file) Remove-Item -LiteralPath $file -Force -ErrorAction Stop }
    }
}
# Not recursive: a folder that still holds something the chainer did not list stays.
foreach ($path in $paths) {
    if (Test-Path -LiteralPath $path -PathType Container) {
        Remove-WithRetry $path { param($folder) [System.IO.Directory]::Delete($folder, $false) }
    }
}

# Windows PowerShell 2.0 has no $PSCommandPath.
Remove-Item -LiteralPath $MyInvocation.MyCommand.Path -Force -ErrorAction SilentlyContinue
