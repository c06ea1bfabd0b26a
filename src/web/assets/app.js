// A job's page follows the job: it is read again every few seconds until the job has ended.
"use strict";
document.addEventListener("DOMContentLoaded", () => {
  const job = document.querySelector("[data-refresh]");
  if (job) setTimeout(() => location.reload(), 1000 * Number(job.dataset.refresh));
});
