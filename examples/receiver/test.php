<?php
// Receives the songs that the Quillon plug-in reports and lists them.
//
// POST (from the plug-in): multipart form fields artist, album, title, track, year, genre,
// comment, filename, comment (again) and password, then _charset_ naming the character set
// of those texts, then played_at and play_id. A play is stored when the password matches,
// once per play_id; the answer is "OK".
// GET (from a browser): a page listing the stored plays, newest first.

// ---- Configuration -------------------------------------------------------------------------
// Must equal the Password set on the plug-in's Configuration page.
$password = 'change-me';
// The SQLite database; created on first use. Its folder must be writable by the web server.
// Better outside the web site's public folders, e.g. '/home/me/private/plays.sqlite'.
$database = __DIR__ . '/plays.sqlite';
// How many plays the page lists at most.
$page_limit = 500;
// --------------------------------------------------------------------------------------------

// Windows-1252 (the plug-in's code page on Western systems) is converted here, without
// relying on the mbstring or iconv extensions.
function utf8_from_cp1252(string $bytes): string
{
    static $high = [
        0x80 => 0x20AC, 0x82 => 0x201A, 0x83 => 0x0192, 0x84 => 0x201E, 0x85 => 0x2026,
        0x86 => 0x2020, 0x87 => 0x2021, 0x88 => 0x02C6, 0x89 => 0x2030, 0x8A => 0x0160,
        0x8B => 0x2039, 0x8C => 0x0152, 0x8E => 0x017D, 0x91 => 0x2018, 0x92 => 0x2019,
        0x93 => 0x201C, 0x94 => 0x201D, 0x95 => 0x2022, 0x96 => 0x2013, 0x97 => 0x2014,
        0x98 => 0x02DC, 0x99 => 0x2122, 0x9A => 0x0161, 0x9B => 0x203A, 0x9C => 0x0153,
        0x9E => 0x017E, 0x9F => 0x0178,
    ];
    $out = '';
    $length = strlen($bytes);
    for ($i = 0; $i < $length; $i++) {
        $byte = ord($bytes[$i]);
        if ($byte < 0x80) {
            $out .= $bytes[$i];
            continue;
        }
        // The five bytes that Windows-1252 leaves unassigned map to the same-numbered
        // control characters, as Windows itself converts them.
        $code = $high[$byte] ?? $byte;
        $out .= $code < 0x800
            ? chr(0xC0 | ($code >> 6)) . chr(0x80 | ($code & 0x3F))
            : chr(0xE0 | ($code >> 12)) . chr(0x80 | (($code >> 6) & 0x3F)) . chr(0x80 | ($code & 0x3F));
    }
    return $out;
}

// The texts arrive in the character set that the field "_charset_" names: UTF-8 (the
// plug-in's check box "Send text as UTF-8"), or the Windows code page of the player's
// computer. Plug-ins before that field sent Windows-1252.
function utf8_from(string $bytes, string $charset): string
{
    if (strcasecmp($charset, 'UTF-8') === 0) {
        return $bytes;
    }
    if ($charset === '' || strcasecmp($charset, 'windows-1252') === 0) {
        return utf8_from_cp1252($bytes);
    }
    // Other code pages where PHP can convert them; a name it does not know, or bytes that
    // are not in that code page, give false, and the text is then stored as it came.
    if (preg_match('/^[A-Za-z0-9_-]{1,40}$/', $charset) === 1) {
        if (function_exists('iconv')) {
            $converted = @iconv($charset, 'UTF-8', $bytes);
            if ($converted !== false) {
                return $converted;
            }
        }
        if (function_exists('mb_convert_encoding') &&
            in_array(strtolower($charset), array_map('strtolower', mb_list_encodings()), true)) {
            $converted = mb_convert_encoding($bytes, 'UTF-8', $charset);
            if (is_string($converted) && mb_check_encoding($converted, 'UTF-8')) {
                return $converted;
            }
        }
    }
    return $bytes;
}

function posted(string $name): string
{
    $value = $_POST[$name] ?? '';
    return is_string($value) ? $value : '';
}

function field(string $name): string
{
    return utf8_from(posted($name), posted('_charset_'));
}

function answer(int $status, string $text): void
{
    http_response_code($status);
    header('Content-Type: text/plain; charset=UTF-8');
    echo $text;
    exit;
}

function open_database(string $path): PDO
{
    $db = new PDO('sqlite:' . $path, null, null, [
        PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION,
        PDO::ATTR_TIMEOUT => 5,
    ]);
    $db->exec('CREATE TABLE IF NOT EXISTS plays (
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        played_at TEXT NOT NULL,
        artist TEXT NOT NULL, album TEXT NOT NULL, title TEXT NOT NULL,
        track TEXT NOT NULL, year TEXT NOT NULL, genre TEXT NOT NULL,
        comment TEXT NOT NULL, filename TEXT NOT NULL, play_id TEXT)');
    // A database from before play_id gets the column; its old plays keep none.
    $columns = $db->query('PRAGMA table_info(plays)')->fetchAll(PDO::FETCH_COLUMN, 1);
    if (!in_array('play_id', $columns, true)) {
        $db->exec('ALTER TABLE plays ADD COLUMN play_id TEXT');
    }
    $db->exec('CREATE UNIQUE INDEX IF NOT EXISTS plays_play_id ON plays (play_id)');
    return $db;
}

// When the song was played: the plug-in's played_at (UTC, 2026-12-09T07:58:31Z), or now
// for plug-ins that do not send it. Plays sent late keep their own time.
function played_at(): string
{
    $value = $_POST['played_at'] ?? '';
    if (is_string($value) && preg_match('/^(\d{4}-\d{2}-\d{2})T(\d{2}:\d{2}:\d{2})Z$/', $value, $parts)) {
        return $parts[1] . ' ' . $parts[2];
    }
    return gmdate('Y-m-d H:i:s');
}

// The play's own name, the same on every try; none from older plug-ins.
function play_id(): ?string
{
    $value = $_POST['play_id'] ?? '';
    return is_string($value) && preg_match('/^[0-9a-f]{32}$/', $value) ? $value : null;
}

function html(string $text): string
{
    return htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE | ENT_HTML5, 'UTF-8');
}

const FIELDS = ['artist', 'album', 'title', 'track', 'year', 'genre', 'comment', 'filename'];

$method = $_SERVER['REQUEST_METHOD'] ?? 'GET';

if ($method === 'POST') {
    // The password itself is never stored.
    if (!hash_equals($password, field('password'))) {
        answer(403, 'Forbidden');
    }
    try {
        $db = open_database($database);
        // A play already stored (its answer was lost, so the plug-in sent it again) is
        // answered like a new one and not stored twice.
        $insert = $db->prepare('INSERT OR IGNORE INTO plays (played_at, play_id, ' .
            implode(', ', FIELDS) . ') VALUES (:played_at, :play_id, :' . implode(', :', FIELDS) . ')');
        $values = [':played_at' => played_at(), ':play_id' => play_id()];
        foreach (FIELDS as $name) {
            $values[':' . $name] = field($name);
        }
        $insert->execute($values);
    } catch (PDOException $e) {
        error_log('Quillon receiver: ' . $e->getMessage());
        answer(500, 'Database error');
    }
    answer(200, 'OK');
}

if ($method !== 'GET' && $method !== 'HEAD') {
    header('Allow: GET, HEAD, POST');
    answer(405, 'Method not allowed');
}

try {
    $db = open_database($database);
    $select = $db->prepare('SELECT played_at, ' . implode(', ', FIELDS) .
        ' FROM plays ORDER BY played_at DESC, id DESC LIMIT :limit');
    $select->bindValue(':limit', $page_limit, PDO::PARAM_INT);
    $select->execute();
    $plays = $select->fetchAll(PDO::FETCH_ASSOC);
} catch (PDOException $e) {
    error_log('Quillon receiver: ' . $e->getMessage());
    answer(500, 'Database error');
}

header('Content-Type: text/html; charset=UTF-8');
header('X-Content-Type-Options: nosniff');
header("Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'");
?>
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="UTF-8">
<title>Songs played</title>
<style>
body { font-family: sans-serif; margin: 1em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
th { background: #eee; }
</style>
</head>
<body>
<h1>Songs played</h1>
<?php if (!$plays): ?>
<p>No songs yet.</p>
<?php else: ?>
<table>
<tr><th>Played (UTC)</th><th>Artist</th><th>Title</th><th>Album</th><th>Track</th><th>Year</th><th>Genre</th><th>Comment</th><th>File</th></tr>
<?php foreach ($plays as $play): ?>
<tr><td><?= html($play['played_at']) ?></td><td><?= html($play['artist']) ?></td><td><?= html($play['title']) ?></td><td><?= html($play['album']) ?></td><td><?= html($play['track']) ?></td><td><?= html($play['year']) ?></td><td><?= html($play['genre']) ?></td><td><?= html($play['comment']) ?></td><td><?= html($play['filename']) ?></td></tr>
<?php endforeach; ?>
</table>
<?php endif; ?>
</body>
</html>
